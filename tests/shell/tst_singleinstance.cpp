#include "shell/SingleInstance.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

class TestSingleInstance : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void secondHolderIsRefused();
    void lockOfADeadOwnerIsTakenOver();
    void emptyLockFile_data();
    void emptyLockFile();
    void lockNamingAnotherHost_data();
    void lockNamingAnotherHost();
    void placesForTheLock_data();
    void placesForTheLock();
};

namespace {

using Outcome = SingleInstance::Outcome;

QList<SingleInstance::Place> in(const QString& folder, bool thisBootOnly = false)
{
    return {{folder, thisBootOnly}};
}

bool writeLock(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(contents) == contents.size();
}

} // namespace

Q_DECLARE_METATYPE(SingleInstance::Outcome)

void TestSingleInstance::secondHolderIsRefused()
{
    QTemporaryDir dir;
    SingleInstance first(in(dir.path(), true));
    QCOMPARE(first.acquire(), Outcome::Acquired);
    SingleInstance second(in(dir.path(), true));
    QCOMPARE(second.acquire(), Outcome::Running);
    QCOMPARE(second.runningPid(), QCoreApplication::applicationPid());
    QVERIFY(QFile::exists(first.lockPath()));
}

void TestSingleInstance::lockOfADeadOwnerIsTakenOver()
{
    QTemporaryDir dir;
    // A process id far above any the kernel hands out.
    QVERIFY(writeLock(dir.filePath(SingleInstance::lockName),
                      "4194000\nventaro\n" + QSysInfo::machineHostName().toUtf8() + "\n"));
    SingleInstance instance(in(dir.path()));
    QCOMPARE(instance.acquire(), Outcome::Acquired);
}

void TestSingleInstance::emptyLockFile_data()
{
    QTest::addColumn<qint64>("ageMs");
    QTest::addColumn<bool>("held");
    QTest::addColumn<Outcome>("outcome");
    const qint64 old = SingleInstance::orphanAgeMs + 60000;
    // Its creator may still be about to write its id: left alone.
    QTest::newRow("just created") << qint64(0) << false << Outcome::Running;
    // Its creator died before writing it: taken over.
    QTest::newRow("old") << old << false << Outcome::Acquired;
    // Its creator was held up between creating and writing it, and holds
    // it still: left alone however old.
    QTest::newRow("old, still held by its creator") << old << true << Outcome::Running;
}

void TestSingleInstance::emptyLockFile()
{
    QFETCH(qint64, ageMs);
    QFETCH(bool, held);
    QFETCH(Outcome, outcome);
    QTemporaryDir dir;
    QFile file(dir.filePath(SingleInstance::lockName));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(
        file.setFileTime(QDateTime::currentDateTime().addMSecs(-ageMs), QFileDevice::FileModificationTime));
    // Held as QLockFile holds the files it creates.
    if (held)
        QCOMPARE(::flock(file.handle(), LOCK_EX | LOCK_NB), 0);

    SingleInstance instance(in(dir.path()));
    QCOMPARE(instance.acquire(), outcome);
    // Left alone, it is still the empty file; taken over, it names its new
    // holder.
    QFile now(file.fileName());
    QVERIFY(now.open(QIODevice::ReadOnly));
    QCOMPARE(now.readAll().isEmpty(), outcome == Outcome::Running);
}

void TestSingleInstance::lockNamingAnotherHost_data()
{
    QTest::addColumn<bool>("thisBootOnly");
    QTest::addColumn<bool>("heldHere");
    QTest::addColumn<Outcome>("outcome");
    QTest::newRow("in the runtime folder, held by nobody") << true << false << Outcome::Acquired;
    // A shared folder: its owner may be alive on that host.
    QTest::newRow("in another folder") << false << false << Outcome::Running;
    // The host name changed under a running program.
    QTest::newRow("in the runtime folder, held by a program here") << true << true << Outcome::Running;
}

void TestSingleInstance::lockNamingAnotherHost()
{
    QFETCH(bool, thisBootOnly);
    QFETCH(bool, heldHere);
    QFETCH(Outcome, outcome);
    QTemporaryDir dir;
    const QString path = dir.filePath(SingleInstance::lockName);
    // A live process id, of this very test: only the host tells.
    const QByteArray elsewhere = QByteArray::number(QCoreApplication::applicationPid()) +
                                 "\ntst_singleinstance\nelsewhere.invalid\n0123456789abcdef0123456789abcdef\n"
                                 "01234567-89ab-cdef-0123-456789abcdef\n";
    SingleInstance holder(in(dir.path(), thisBootOnly));
    if (heldHere)
        QCOMPARE(holder.acquire(), Outcome::Acquired);
    QVERIFY(writeLock(path, elsewhere));

    SingleInstance instance(in(dir.path(), thisBootOnly));
    QCOMPARE(instance.acquire(), outcome);
    QFile lock(path);
    QVERIFY(lock.open(QIODevice::ReadOnly));
    QCOMPARE(lock.readAll().contains("elsewhere.invalid"), outcome == Outcome::Running);
}

void TestSingleInstance::placesForTheLock_data()
{
    // What stands at the runtime folder and at the private temporary one
    // ("ventaro-" and the user id): a mode, or "link" for a planted link.
    QTest::addColumn<QString>("runtime");
    QTest::addColumn<QString>("temporary");
    QTest::addColumn<QString>("expected");
    // What then stands at the private temporary folder.
    QTest::addColumn<QString>("temporaryAfter");
    const auto row = [](const char* name, const char* runtime, const char* temporary, const char* expected,
                        const char* after) {
        QTest::newRow(name) << QString::fromLatin1(runtime) << QString::fromLatin1(temporary)
                            << QString::fromLatin1(expected) << QString::fromLatin1(after);
    };
    // No folder is made where the lock does not go.
    row("runtime folder private", "0700", "", "run", "nothing");
    row("runtime folder open to others", "0777", "", "tmp/ventaro-", "0700");
    // Planted by someone else: left as it is.
    row("private folder planted as a link", "0777", "link", "cache/Ventaro", "link");
    row("private folder open to others", "0777", "0777", "cache/Ventaro", "0777");
}

void TestSingleInstance::placesForTheLock()
{
    QFETCH(QString, runtime);
    QFETCH(QString, temporary);
    QFETCH(QString, expected);
    QFETCH(QString, temporaryAfter);
    QTemporaryDir dir;
    const QString uid = QString::number(::geteuid());
    const QByteArray privateFolder = QFile::encodeName(dir.filePath(QStringLiteral("tmp/ventaro-") + uid));
    const auto makeFolder = [&dir](const QString& name, const QString& mode) {
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        return ::mkdir(path.constData(), 0700) == 0 &&
               ::chmod(path.constData(), mode.toUInt(nullptr, 8)) == 0;
    };
    QVERIFY(makeFolder(QStringLiteral("run"), runtime) &&
            makeFolder(QStringLiteral("tmp"), QStringLiteral("0700")));
    if (temporary == QLatin1String("link"))
        QVERIFY(::symlink(QFile::encodeName(dir.path()).constData(), privateFolder.constData()) == 0);
    else if (!temporary.isEmpty())
        QVERIFY(makeFolder(QStringLiteral("tmp/ventaro-") + uid, temporary));

    const QByteArray saved[] = {qgetenv("XDG_RUNTIME_DIR"), qgetenv("TMPDIR"), qgetenv("XDG_CACHE_HOME")};
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.filePath(QStringLiteral("run"))));
    qputenv("TMPDIR", QFile::encodeName(dir.filePath(QStringLiteral("tmp"))));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(dir.filePath(QStringLiteral("cache"))));
    SingleInstance instance;
    const SingleInstance::Outcome outcome = instance.acquire();
    qputenv("XDG_RUNTIME_DIR", saved[0]);
    qputenv("TMPDIR", saved[1]);
    qputenv("XDG_CACHE_HOME", saved[2]);

    QCOMPARE(outcome, Outcome::Acquired);
    const QString folder = expected == QLatin1String("tmp/ventaro-") ? expected + uid : expected;
    QCOMPARE(instance.lockPath(), dir.filePath(folder + QStringLiteral("/ventaro.lock")));
    struct stat info = {};
    const QString after = ::lstat(privateFolder.constData(), &info) != 0 ? QStringLiteral("nothing")
                          : S_ISLNK(info.st_mode)
                              ? QStringLiteral("link")
                              : QString::number(info.st_mode & 07777, 8).rightJustified(4, '0');
    QCOMPARE(after, temporaryAfter);
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
