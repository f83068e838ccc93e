// The page checker as its users run it: a saved page in, what the program
// would show out.
#include "TestData.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestPageCheck : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void conditionsReportTheIconsShown_data();
    void conditionsReportTheIconsShown();
};

void TestPageCheck::conditionsReportTheIconsShown_data()
{
    QTest::addColumn<QString>("sky");
    QTest::addColumn<QJsonArray>("trayIcons");
    QTest::addColumn<QJsonValue>("windowIcon");

    QTest::newRow("one keyword") << QStringLiteral("partly cloudy") << QJsonArray{1} << QJsonValue(1);
    QTest::newRow("two keywords, the last wins the window")
        << QStringLiteral("thunderstorms and rain") << QJsonArray{2, 5} << QJsonValue(5);
    // What the program puts up when no keyword matches: its start-up icon,
    // while the window keeps whatever icon it had.
    QTest::newRow("haze, no keyword") << QStringLiteral("haze") << QJsonArray{6} << QJsonValue();
    QTest::newRow("Fair, capital letter") << QStringLiteral("Fair") << QJsonArray{6} << QJsonValue();
}

void TestPageCheck::conditionsReportTheIconsShown()
{
    QFETCH(QString, sky);
    QFETCH(QJsonArray, trayIcons);
    QFETCH(QJsonValue, windowIcon);

    QByteArray page = TestData::bytes(QStringLiteral("conditions_kden.html"));
    QVERIFY(page.contains("partly cloudy"));
    page.replace("partly cloudy", sky.toLatin1());
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("page.html"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(page);
    file.close();

    QProcess checker;
    checker.start(QStringLiteral(VENTARO_PAGECHECK), {QStringLiteral("conditions"), path});
    QVERIFY(checker.waitForFinished(30000));
    QCOMPARE(checker.exitCode(), 0);
    const QJsonObject result = QJsonDocument::fromJson(checker.readAllStandardOutput()).object();
    QCOMPARE(result.value(QStringLiteral("ok")).toBool(), true);
    QCOMPARE(result.value(QStringLiteral("sky")).toString(), sky);
    QCOMPARE(result.value(QStringLiteral("trayIcons")).toArray(), trayIcons);
    QCOMPARE(result.value(QStringLiteral("windowIcon")).isNull(), windowIcon.isNull());
    if (!windowIcon.isNull())
        QCOMPARE(result.value(QStringLiteral("windowIcon")).toInt(), windowIcon.toInt());
}

QTEST_GUILESS_MAIN(TestPageCheck)
#include "tst_pagecheck.moc"
