#include "settings/StationTable.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

class TestStationTable : public QObject
{
    Q_OBJECT

private slots:
    void hasFixedSize();
    void entryAtPosition_data();
    void entryAtPosition();
    void everyEntryHasTheEntryFormat();
    void everyEntryDerivesUsableCodes();
    void entriesAreDistinct();
    void sixCodesOccurTwice();
    void houstonIntercontinentalIsTheLongest();
    void namesRunAlphabeticallyByInitial();
    void derivationsOnAnyText_data();
    void derivationsOnAnyText();
    void entryOfEveryCode();
};

void TestStationTable::hasFixedSize()
{
    QCOMPARE(StationTable::entries().size(), 555);
    QCOMPARE(StationTable::size, 555);
}

void TestStationTable::entryAtPosition_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("stationCode");
    QTest::addColumn<QString>("stateCode");

    const auto row = [](const char* name, int position, const char* entry, const char* station,
                        const char* state) {
        QTest::newRow(name) << position << QString::fromLatin1(entry) << QString::fromLatin1(station)
                            << QString::fromLatin1(state);
    };
    row("first entry", 1, "ABR         ABERDEEN, SD", "ABR", "sd");
    row("no blank after comma", 9, "ABQ         ALBUQUERQUE,NM", "ABQ", "nm");
    row("no blank after comma, two-word city", 29, "ACY         ATLANTIC CITY,NJ", "ACY", "nj");
    row("MBS as Bay City", 40, "MBS         BAY CITY, MI", "MBS", "mi");
    row("Mexico entry derives co", 78, "CUN         CANCUN, MEXICO", "CUN", "co");
    row("apostrophe and slash", 96, "ORD         CHICAGO / O'HARE, IL", "ORD", "il");
    row("full stop without blank", 121, "DFW         DALLAS/FT.WORTH, TX", "DFW", "tx");
    row("first-start station", 127, "DEN         DENVER, CO", "DEN", "co");
    row("EGE as Eagle", 145, "EGE         EAGLE, CO", "EGE", "co");
    row("abbreviated junction", 198, "GJT         GRAND JCT., CO", "GJT", "co");
    row("longest entry", 231, "IAH         HOUSTON / INTERCONTINENTAL,TX", "IAH", "tx");
    row("MSP as Minneapolis", 337, "MSP         MINNEAPOLIS, MN", "MSP", "mn");
    row("CWA as Mosinee", 349, "CWA         MOSINEE, WI", "CWA", "wi");
    row("PBI as Palm Beach", 395, "PBI         PALM BEACH, FL", "PBI", "fl");
    row("hyphenated name", 424, "RDU         RALEIGH-DURHAM, NC", "RDU", "nc");
    row("MBS as Saginaw", 445, "MBS         SAGINAW, MI", "MBS", "mi");
    row("territory", 456, "SJU         SAN JUAN, PR", "SJU", "pr");
    row("AVP as Scranton", 465, "AVP         SCRANTON, PA", "AVP", "pa");
    row("code with digits", 490, "E23         TAOS, NM", "E23", "nm");
    row("zero in the name kept as written", 498, "TOL         TOLED0, OH", "TOL", "oh");
    row("MSP as Twin Cities", 510, "MSP         TWIN CITIES, MN", "MSP", "mn");
    row("EGE as Vail", 515, "EGE         VAIL, CO", "EGE", "co");
    row("district of columbia, Dulles", 525, "IAD         WASHINGTON DC/DULLES, DC", "IAD", "dc");
    row("district of columbia, National", 526, "DCA         WASHINGTON DC/NATIONAL, DC", "DCA", "dc");
    row("CWA as Wausau", 530, "CWA         WAUSAU/STEVENS POINT, WI", "CWA", "wi");
    row("PBI as West Palm Beach", 534, "PBI         WEST PALM BEACH, FL", "PBI", "fl");
    row("West Yellowstone is in Montana", 535, "WEY         WEST YELLOWSTONE, MT", "WEY", "mt");
    row("AVP as Wilkes Barre", 541, "AVP         WILKES BARRE, PA", "AVP", "pa");
    row("Williamsport is in Pennsylvania", 542, "IPT         WILLIAMSPORT, PA", "IPT", "pa");
    row("last entry", 555, "ZZV         ZANESVILLE, OH", "ZZV", "oh");
}

void TestStationTable::entryAtPosition()
{
    QFETCH(int, position);
    QFETCH(QString, entry);
    QFETCH(QString, stationCode);
    QFETCH(QString, stateCode);

    const QString& actual = StationTable::entries().at(position - 1);
    QCOMPARE(actual, entry);
    QCOMPARE(StationTable::stationCode(actual), stationCode);
    QCOMPARE(StationTable::stateCode(actual), stateCode);
}

void TestStationTable::everyEntryHasTheEntryFormat()
{
    // Code, nine blanks for the fixed-pitch column, then the upper-case name:
    // single-blank-separated words, a comma and the state (one entry names a
    // country instead).
    static const QRegularExpression format(QStringLiteral(
        "^[A-Z][A-Z0-9]{2} {9}(?=.{7,29}$)[A-Z][A-Z0/.'-]*(?: [A-Z0/.'-]+)*,(?: ?[A-Z]{2}| MEXICO)$"));
    int namesWithDigit = 0;
    QStringList namedLikeTheirCode;
    for (const QString& entry : StationTable::entries()) {
        QVERIFY2(entry.size() >= 19 && entry.size() <= 41, qPrintable(entry));
        QVERIFY2(format.match(entry).hasMatch(), qPrintable(entry));
        if (entry.mid(12).section(QLatin1Char(','), 0, 0) == entry.left(3))
            namedLikeTheirCode.append(entry);
        if (entry.mid(12).contains(QLatin1Char('0')))
            ++namesWithDigit;
    }
    QCOMPARE(namesWithDigit, 1);
    // A name that only repeats the code is a stand-in, not a display name;
    // Ely, Nevada is the one town that really carries its code's letters.
    QCOMPARE(namedLikeTheirCode, QStringList{QStringLiteral("ELY         ELY, NV")});
}

void TestStationTable::everyEntryDerivesUsableCodes()
{
    // The state code goes straight into the forecast page's path, so a stray
    // trailing blank or full stop in any entry would break that station.
    static const QRegularExpression state(QStringLiteral("^[a-z]{2}$"));
    for (const QString& entry : StationTable::entries()) {
        QVERIFY2(state.match(StationTable::stateCode(entry)).hasMatch(), qPrintable(entry));
        QVERIFY2(!StationTable::stationCode(entry).contains(QLatin1Char(' ')), qPrintable(entry));
    }
}

void TestStationTable::entriesAreDistinct()
{
    QSet<QString> seen;
    for (const QString& entry : StationTable::entries()) {
        QVERIFY2(!seen.contains(entry), qPrintable(QStringLiteral("repeated: ") + entry));
        seen.insert(entry);
    }
    QCOMPARE(seen.size(), 555);
}

void TestStationTable::sixCodesOccurTwice()
{
    QHash<QString, QStringList> byCode;
    for (const QString& entry : StationTable::entries())
        byCode[StationTable::stationCode(entry)].append(entry);

    QStringList twice;
    for (auto it = byCode.cbegin(); it != byCode.cend(); ++it) {
        QVERIFY2(it.value().size() <= 2, qPrintable(it.key()));
        if (it.value().size() == 2) {
            twice.append(it.key());
            // Both twins fetch the same weather, so they must agree on the state too.
            QCOMPARE(StationTable::stateCode(it.value().at(0)), StationTable::stateCode(it.value().at(1)));
        }
    }
    twice.sort();
    QCOMPARE(twice, (QStringList{"AVP", "CWA", "EGE", "MBS", "MSP", "PBI"}));
    QCOMPARE(byCode.size(), 549);
}

void TestStationTable::houstonIntercontinentalIsTheLongest()
{
    const QStringList& all = StationTable::entries();
    const auto longest = std::max_element(
        all.cbegin(), all.cend(), [](const QString& a, const QString& b) { return a.size() < b.size(); });
    QCOMPARE(*longest, QStringLiteral("IAH         HOUSTON / INTERCONTINENTAL,TX"));
    QCOMPARE(longest->size(), 41);
    QCOMPARE(std::count_if(all.cbegin(), all.cend(), [](const QString& e) { return e.size() == 41; }), 1);
}

void TestStationTable::namesRunAlphabeticallyByInitial()
{
    // The list is shown unsorted, so users find a city by scrolling; within one
    // initial the order may stray, but never across initials.
    const QStringList& all = StationTable::entries();
    for (qsizetype i = 1; i < all.size(); ++i)
        QVERIFY2(all.at(i - 1).at(12) <= all.at(i).at(12), qPrintable(all.at(i - 1) + " / " + all.at(i)));
}

void TestStationTable::derivationsOnAnyText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stationCode");
    QTest::addColumn<QString>("stateCode");

    QTest::newRow("empty text") << QString() << QString() << QString();
    QTest::newRow("one character") << QStringLiteral("K") << QStringLiteral("K") << QStringLiteral("k");
    QTest::newRow("two characters") << QStringLiteral("XY") << QStringLiteral("XY") << QStringLiteral("xy");
    QTest::newRow("code alone") << QStringLiteral("DEN") << QStringLiteral("DEN") << QStringLiteral("en");
    QTest::newRow("typed lower case")
        << QStringLiteral("den         denver, co") << QStringLiteral("den") << QStringLiteral("co");
    QTest::newRow("trailing blank is kept")
        << QStringLiteral("DEN         DENVER, CO ") << QStringLiteral("DEN") << QStringLiteral("o ");
    QTest::newRow("positions, not blanks")
        << QStringLiteral("A BCD") << QStringLiteral("A B") << QStringLiteral("cd");
}

void TestStationTable::derivationsOnAnyText()
{
    QFETCH(QString, text);
    QFETCH(QString, stationCode);
    QFETCH(QString, stateCode);

    QCOMPARE(StationTable::stationCode(text), stationCode);
    QCOMPARE(StationTable::stateCode(text), stateCode);
}

// Every code finds the first entry that has it (a twin's first), and
// nothing else finds any.
void TestStationTable::entryOfEveryCode()
{
    QHash<QString, QString> first;
    for (const QString& entry : StationTable::entries()) {
        if (!first.contains(StationTable::stationCode(entry)))
            first.insert(StationTable::stationCode(entry), entry);
    }
    for (auto it = first.cbegin(); it != first.cend(); ++it)
        QCOMPARE(StationTable::entryOf(it.key()), it.value());
    QCOMPARE(StationTable::entryOf(QStringLiteral("MSP")), QStringLiteral("MSP         MINNEAPOLIS, MN"));
    for (const char* code : {"XYZ", "DE", "DENV", "den", ""})
        QCOMPARE(StationTable::entryOf(QString::fromLatin1(code)), QString());
}

QTEST_GUILESS_MAIN(TestStationTable)
#include "tst_stationtable.moc"
