// What the live layer learnt of each station's zone, kept between runs in
// the cache folder: asked again once a month, and never trusted when it is
// damaged or dated ahead of the clock.
#include "ManualClock.h"
#include "PipeWatch.h"
#include "live/ZoneDirectory.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

class TestZoneDirectory : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void entriesLastAMonth_data();
    void entriesLastAMonth();
    void damagedFileIsAskedAgain();
    void plantedFileIsReplaced_data();
    void plantedFileIsReplaced();
};

namespace {

const QDateTime asked(QDate(2026, 11, 7), QTime(12, 0), QTimeZone::utc());

ZoneDirectory::Entry denver()
{
    return {QStringLiteral("COZ039"), QStringLiteral("Denver"), {QStringLiteral("BOU")}, asked,
            QStringLiteral("COC031"), QStringLiteral("COZ239")};
}

} // namespace

void TestZoneDirectory::entriesLastAMonth_data()
{
    QTest::addColumn<qint64>("secondsLater");
    QTest::addColumn<bool>("found");
    QTest::newRow("the next day") << qint64(24 * 3600) << true;
    QTest::newRow("exactly thirty days on") << qint64(30 * 24 * 3600) << true;
    QTest::newRow("a second past thirty days") << qint64(30 * 24 * 3600 + 1) << false;
    // A clock set back makes the entry's age unknown: it is asked again.
    QTest::newRow("dated ahead of the clock") << qint64(-3600) << false;
}

// Kept across runs: a second directory on the same folder finds what the
// first stored, for as long as it is young enough.
void TestZoneDirectory::entriesLastAMonth()
{
    QFETCH(qint64, secondsLater);
    QFETCH(bool, found);
    QTemporaryDir folder;
    ManualClock clock(asked);
    ZoneDirectory(clock, folder.path()).store(QStringLiteral("KDEN"), denver());
    const ZoneDirectory later(clock, folder.path());
    clock.setWallTime(asked.addSecs(secondsLater));
    const std::optional<ZoneDirectory::Entry> entry = later.find(QStringLiteral("KDEN"));
    QCOMPARE(entry.has_value(), found);
    if (entry) {
        QCOMPARE(entry->zone, QStringLiteral("COZ039"));
        QCOMPARE(entry->offices, QStringList{QStringLiteral("BOU")});
        QCOMPARE(entry->county, QStringLiteral("COC031"));
        QCOMPARE(entry->fireZone, QStringLiteral("COZ239"));
        QVERIFY(entry->areasKnown);
    }
    QVERIFY(!later.find(QStringLiteral("KPUB")));
}

// A file another program or a crash left half-written is not read, and an
// entry without its zone or office is left out rather than trusted.
void TestZoneDirectory::damagedFileIsAskedAgain()
{
    QTemporaryDir folder;
    const ManualClock clock(asked);
    QFile file(folder.filePath(QStringLiteral("zones.json")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"KDEN": {"zone": "COZ039", "offices": [], "asked": "2026-11-07T12:00:00Z"},)"
               R"( "KGJT": {"zone": "COZ011", "offices": [".."], "asked": "2026-11-07T12:00:00Z"},)"
               R"( "KSKX": {"zone": "../x/", "offices": ["ABQ"], "asked": "2026-11-07T12:00:00Z"},)"
               R"( "PANC": {"zone": "AKZ101", "offices": ["AER"], "county": "AK/../C020",)"
               R"(  "asked": "2026-11-07T12:00:00Z"},)"
               R"( "KPUB": {"zone": "COZ087", "offices": ["PUB"], "asked": "2026-11-07T12:00:00Z"}})");
    file.close();
    const ZoneDirectory directory(clock, folder.path());
    // Codes of no code's form would go into addresses: not trusted.
    for (const char* station : {"KDEN", "KGJT", "KSKX", "PANC"})
        QVERIFY2(!directory.find(QLatin1StringView(station)), station);
    // Kept before the county and fire weather zone were: trusted for its
    // zone, with those still to be asked.
    QVERIFY(directory.find(QStringLiteral("KPUB")));
    QVERIFY(!directory.find(QStringLiteral("KPUB"))->areasKnown);

    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(R"({"KPUB": {"zone": "COZ0)");
    file.close();
    QVERIFY(!ZoneDirectory(clock, folder.path()).find(QStringLiteral("KPUB")));
}

void TestZoneDirectory::plantedFileIsReplaced_data()
{
    QTest::addColumn<QString>("planted");
    QTest::newRow("a link to the user's file") << QStringLiteral("symbolic link");
    QTest::newRow("a named pipe") << QStringLiteral("named pipe");
}

// Whatever stands in place of the file is neither read nor written through,
// nor waited on: it is replaced by a file of the program's own.
void TestZoneDirectory::plantedFileIsReplaced()
{
    QFETCH(QString, planted);
    QTemporaryDir folder;
    const ManualClock clock(asked);
    QTemporaryDir user;
    const QString file = folder.filePath(QStringLiteral("zones.json"));
    QFile notes(user.filePath(QStringLiteral("notes.json")));
    QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write(R"({"KDEN": 1})") > 0);
    notes.close();
    std::optional<PipeWatch> pipe;
    if (planted == QLatin1String("named pipe"))
        QVERIFY(pipe.emplace(file).made());
    else
        QVERIFY(notes.link(file));
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("zones.json was a %1.*removed").arg(planted)));
    ZoneDirectory(clock, folder.path()).store(QStringLiteral("KDEN"), denver());

    QVERIFY(!pipe || pipe->readers() == 0);
    QVERIFY(QFileInfo(file).isFile() && !QFileInfo(file).isSymLink());
    QVERIFY(ZoneDirectory(clock, folder.path()).find(QStringLiteral("KDEN")));
    QVERIFY(notes.open(QIODevice::ReadOnly));
    QCOMPARE(notes.readAll(), QByteArray(R"({"KDEN": 1})"));
}

QTEST_GUILESS_MAIN(TestZoneDirectory)
#include "tst_zonedirectory.moc"
