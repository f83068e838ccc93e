// Zone forecast products: the station's group found by its zone code, or
// by its city's name when the zone is not known, and shown as the user
// reads it: the product's heading and that group alone.
#include "TestData.h"
#include "live/ZoneForecast.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

namespace {

ZoneForecast::Product product(const QString& office)
{
    return ZoneForecast::parse(TestData::page(QStringLiteral("live/zfp/") + office + QStringLiteral(".txt")));
}

// What the live layer shows when it searches by name: the offices'
// products in order, the first group naming the station, else the first
// group of the first product that has groups. "-" stands for an office
// whose product could not be had.
QString byName(const QString& offices, const QString& entry)
{
    std::optional<ZoneForecast::Product> first;
    for (const QString& office : offices.split(QLatin1Char(' '))) {
        if (office == QLatin1StringView("-"))
            continue;
        const ZoneForecast::Product p = product(office);
        if (const ZoneForecast::Group* group =
                ZoneForecast::groupNamed(p, ZoneForecast::cityNames(StationTable::fromEntry(entry))))
            return ZoneForecast::text(p, *group);
        if (!first && !p.groups.isEmpty())
            first = p;
    }
    return first ? ZoneForecast::text(*first, first->groups.constFirst()) : QString();
}

QStringList zoneLines(const QString& text)
{
    return text.split(QStringLiteral("\r\n"))
        .filter(QRegularExpression(QStringLiteral("^[A-Z]{2}Z\\d{3}[->]")));
}

} // namespace

class TestZoneForecast : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void zoneByItsCode_data()
    {
        QTest::addColumn<QString>("office");
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QString>("name"); // the group's name line; empty: no group
        // Kahului's zone, though the first group named after the island is
        // another's.
        QTest::newRow("two groups named after one island")
            << QStringLiteral("HFO") << QStringLiteral("HIZ045")
            << QStringLiteral("Maui Central Valley North-");
        QTest::newRow("first office, first match")
            << QStringLiteral("BOU") << QStringLiteral("COZ039") << QStringLiteral("Denver-");
        // A zone whose city list names none of its towns (Broomfield's).
        QTest::newRow("a city in no list")
            << QStringLiteral("BOU") << QStringLiteral("COZ038")
            << QStringLiteral("Boulder And Jefferson Counties Below 6000 Feet/West Broomfield");
        QTest::newRow("the zone missing from the product")
            << QStringLiteral("BOU") << QStringLiteral("COZ099") << QString();
        QTest::newRow("another state's zone of the same number")
            << QStringLiteral("BOU") << QStringLiteral("WYZ039") << QString();
    }

    void zoneByItsCode()
    {
        QFETCH(QString, office);
        QFETCH(QString, zone);
        QFETCH(QString, name);
        const ZoneForecast::Product p = product(office);
        const ZoneForecast::Group* group = ZoneForecast::groupFor(p, zone);
        QCOMPARE(group != nullptr, !name.isEmpty());
        if (!group)
            return;
        QCOMPARE(group->lines.value(1), name);
        QCOMPARE(zoneLines(ZoneForecast::text(p, *group)).size(), 1);
    }

    // The same station by name: the first group named after the island,
    // which is why names are only the fallback.
    void byNameTheIslandMisleads()
    {
        const QString text = byName(QStringLiteral("HFO"), QStringLiteral("OGG         MAUI, HI"));
        QVERIFY2(text.contains(QStringLiteral("\r\nMaui Windward West-\r\n")), qPrintable(text));
    }

    void stationGetsItsZoneByName_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("offices");
        QTest::addColumn<QString>("office"); // the heading's office line
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QString>("lastLine");
        const char* rows[][6] = {
            {"first office", "DEN         DENVER, CO", "BOU GJT PUB",
             "National Weather Service Denver/Boulder CO", "COZ039",
             ".WEDNESDAY...Partly sunny. Highs 40 to 45."},
            {"second office, abbreviation spelled out", "GJT         GRAND JCT., CO", "BOU GJT PUB",
             "National Weather Service Grand Junction CO", "COZ011",
             ".WEDNESDAY...Mostly sunny. Highs in the lower 40s."},
            {"one code, the entry's city: Eagle", "EGE         EAGLE, CO", "BOU GJT PUB",
             "National Weather Service Grand Junction CO", "COZ004",
             ".WEDNESDAY...Mostly sunny. Highs in the mid 30s."},
            {"a listed city beats a zone name", "PUB         PUEBLO, CO", "BOU GJT PUB",
             "National Weather Service Pueblo Co", "COZ087",
             ".TUESDAY...Partly sunny. Highs in the mid 40s."},
            {"a listed city beats a longer name", "E23         TAOS, NM", "ABQ",
             "National Weather Service Albuquerque NM", "NMZ214", ".TUESDAY...Sunny. Highs 34 to 40."},
            {"in no group: the principal office's first", "AKO         AKRON, CO", "BOU GJT PUB",
             "National Weather Service Denver/Boulder CO", "COZ033",
             ".WEDNESDAY...Mostly sunny. Highs in the 20s to lower 30s."},
            {"in no group, principal office unavailable", "DEN         DENVER, CO", "- GJT PUB",
             "National Weather Service Grand Junction CO", "COZ004",
             ".WEDNESDAY...Mostly sunny. Highs in the mid 30s."},
            {"without the state abbreviation", "DCA         WASHINGTON DC/NATIONAL, DC", "LWX",
             "National Weather Service Baltimore MD/Washington DC", "DCZ001",
             ".TUESDAY...Sunny. Highs in the upper 40s."},
            {"the part after the slash", "IAD         WASHINGTON DC/DULLES, DC", "LWX",
             "National Weather Service Baltimore MD/Washington DC", "VAZ506",
             ".TUESDAY...Sunny. Highs in the mid 40s."},
            {"Alaska", "ANC         ANCHORAGE, AK", "AER", "National Weather Service Anchorage AK", "AKZ101",
             ".TUESDAY...Partly cloudy. Highs around 12."},
        };
        for (const auto& row : rows) {
            QTest::newRow(row[0]) << QString::fromLatin1(row[1]) << QString::fromLatin1(row[2])
                                  << QString::fromLatin1(row[3]) << QString::fromLatin1(row[4])
                                  << QString::fromLatin1(row[5]);
        }
    }

    // The user reads the product's own heading (not the lines of its
    // transmission) and, whole, the one zone group that holds the station.
    void stationGetsItsZoneByName()
    {
        QFETCH(QString, entry);
        QFETCH(QString, offices);
        QFETCH(QString, office);
        QFETCH(QString, zone);
        QFETCH(QString, lastLine);
        const QString text = byName(offices, entry);
        QVERIFY2(text.startsWith(QStringLiteral("Zone Forecast Product for ")), qPrintable(text.left(80)));
        QVERIFY(text.contains(QStringLiteral("\r\n") + office + QStringLiteral("\r\n")));
        QVERIFY(text.endsWith(QStringLiteral("\r\n") + lastLine + QStringLiteral("\r\n")));
        QCOMPARE(zoneLines(text), QStringList{zone + QStringLiteral("-080000-")});
    }

    void olderStyleLists_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("zone");
        // Each station is also named, inside a longer name, in the first
        // group, which is where it would land if its own list were misread.
        QTest::newRow("\"AND\" inside a word parts no list")
            << QStringLiteral("AND         ANDERSON, CO") << QStringLiteral("Second zone");
        QTest::newRow("last city before a four-letter time zone")
            << QStringLiteral("STP         ST PAUL, CO") << QStringLiteral("Second zone");
        QTest::newRow("the city after \"the city of\", any case")
            << QStringLiteral("LOV         LOVELAND, CO") << QStringLiteral("Third zone");
    }

    // The older style of city lists ("INCLUDING THE CITIES OF...A...B"),
    // zone codes running over two lines and issue times of other zones.
    void olderStyleLists()
    {
        QFETCH(QString, entry);
        QFETCH(QString, zone);
        const QString text = byName(QStringLiteral("older-style"), entry);
        QVERIFY2(text.endsWith(QStringLiteral(".TONIGHT...") + zone + QStringLiteral(".\r\n")),
                 qPrintable(text));
    }

    void productText()
    {
        const QString bou = TestData::page(QStringLiteral("live/zfp/BOU.txt"));
        const QJsonObject answer{{QStringLiteral("productText"), QLatin1Char('\n') + bou}};
        QCOMPARE(ZoneForecast::productText(QJsonDocument(answer).toJson()), QLatin1Char('\n') + bou);
        QCOMPARE(ZoneForecast::productText(bou.toUtf8()), bou);
        const QJsonObject problem{{QStringLiteral("title"), QStringLiteral("Not Found")}};
        QCOMPARE(ZoneForecast::productText(QJsonDocument(problem).toJson()), QString());
    }

    // Text that is no product has no groups: nothing is shown from it.
    void notAProduct_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("an error page") << QStringLiteral("<HTML><TITLE>404 Not Found</TITLE></HTML>\n");
        QTest::newRow("transmission lines only") << QStringLiteral("000\nFPUS55 KBOU 071530\nZFPBOU\n");
    }

    void notAProduct()
    {
        QFETCH(QString, text);
        QVERIFY(ZoneForecast::parse(text).groups.isEmpty());
    }

    // The forecast is shown as text, so a "<" in it is just that character.
    void lessThanShownAsItself()
    {
        QString text = TestData::page(QStringLiteral("live/zfp/BOU.txt"));
        text.replace(QStringLiteral("Highs 40 to 45."), QStringLiteral("Highs <45."));
        const ZoneForecast::Product p = ZoneForecast::parse(text);
        const ZoneForecast::Group* group = ZoneForecast::groupFor(p, u"COZ039");
        QVERIFY(group);
        QVERIFY(ZoneForecast::text(p, *group).endsWith(
            QStringLiteral(".WEDNESDAY...Partly sunny. Highs <45.\r\n")));
    }
};

QTEST_MAIN(TestZoneForecast)
#include "tst_zoneforecast.moc"
