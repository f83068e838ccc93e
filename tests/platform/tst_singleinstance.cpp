#include "SingleInstance.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestSingleInstance : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void secondHolderIsRefused();
    void lockOfADeadOwnerIsTakenOver();
    void emptyLockFile_data();
    void emptyLockFile();
};

void TestSingleInstance::secondHolderIsRefused()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ventaro.lock"));
    SingleInstance first(path);
    QVERIFY(first.acquire());
    SingleInstance second(path);
    QVERIFY(!second.acquire());
    QVERIFY(QFile::exists(path));
}

void TestSingleInstance::lockOfADeadOwnerIsTakenOver()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ventaro.lock"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    // A process id far above any the kernel hands out.
    file.write("4194000\nventaro\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    file.close();
    SingleInstance instance(path);
    QVERIFY(instance.acquire());
}

void TestSingleInstance::emptyLockFile_data()
{
    QTest::addColumn<qint64>("ageMs");
    QTest::addColumn<bool>("acquired");
    // Its creator may still be about to write its id: left alone.
    QTest::newRow("just created") << qint64(0) << false;
    // Its creator died before writing it: taken over.
    QTest::newRow("old") << qint64(SingleInstance::orphanAgeMs + 60000) << true;
}

void TestSingleInstance::emptyLockFile()
{
    QFETCH(qint64, ageMs);
    QFETCH(bool, acquired);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ventaro.lock"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(
        file.setFileTime(QDateTime::currentDateTime().addMSecs(-ageMs), QFileDevice::FileModificationTime));
    file.close();

    SingleInstance instance(path);
    QCOMPARE(instance.acquire(), acquired);
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
