#include "Extraction.h"
#include "StripMarkup.h"
#include "TestData.h"
#include "ZoneForecast.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

namespace {

// The fixture products of the offices named, "-" for one that failed.
QStringList products(const QString& offices)
{
    QStringList texts;
    for (const QString& office : offices.split(QLatin1Char(' ')))
        texts.append(office == QLatin1StringView("-")
                         ? QString()
                         : TestData::page(QStringLiteral("live/zfp/") + office + QStringLiteral(".txt")));
    return texts;
}

// What the program shows of a forecast page: stripped, then cut.
Extraction::ForecastCut shown(const QByteArray& page)
{
    return Extraction::cutStateForecast(StripMarkup(QString::fromLatin1(page)));
}

} // namespace

class TestZoneForecast : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void stationGetsItsZone_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("offices");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QString>("lastLine");
        const char* rows[][6] = {
            {"first office", "DEN         DENVER, CO", "BOU GJT PUB", "FPUS55 KBOU 071530", "COZ039",
             ".WEDNESDAY...Partly sunny. Highs 40 to 45."},
            {"second office, abbreviation spelled out", "GJT         GRAND JCT., CO", "BOU GJT PUB",
             "FPUS55 KGJT 071620", "COZ011", ".WEDNESDAY...Mostly sunny. Highs in the lower 40s."},
            {"one code, the entry's city: Eagle", "EGE         EAGLE, CO", "BOU GJT PUB",
             "FPUS55 KGJT 071620", "COZ004", ".WEDNESDAY...Mostly sunny. Highs in the mid 30s."},
            {"one code, the entry's city: Vail", "EGE         VAIL, CO", "BOU GJT PUB", "FPUS55 KGJT 071620",
             "COZ010", ".WEDNESDAY...Mostly sunny. Highs in the mid 20s."},
            {"a listed city beats a zone name", "PUB         PUEBLO, CO", "BOU GJT PUB", "FPUS55 KPUB 071142",
             "COZ087", ".TUESDAY...Partly sunny. Highs in the mid 40s."},
            {"a listed city beats a longer name", "E23         TAOS, NM", "ABQ", "FPUS55 KABQ 071645",
             "NMZ214", ".TUESDAY...Sunny. Highs 34 to 40."},
            {"in no group: the principal office's first", "AKO         AKRON, CO", "BOU GJT PUB",
             "FPUS55 KBOU 071530", "COZ033", ".WEDNESDAY...Mostly sunny. Highs in the 20s to lower 30s."},
            {"in no group, principal office unavailable", "DEN         DENVER, CO", "- GJT PUB",
             "FPUS55 KGJT 071620", "COZ004", ".WEDNESDAY...Mostly sunny. Highs in the mid 30s."},
            {"without the state abbreviation", "DCA         WASHINGTON DC/NATIONAL, DC", "LWX",
             "FPUS51 KLWX 071457", "DCZ001", ".TUESDAY...Sunny. Highs in the upper 40s."},
            {"the part after the slash", "IAD         WASHINGTON DC/DULLES, DC", "LWX", "FPUS51 KLWX 071457",
             "VAZ506", ".TUESDAY...Sunny. Highs in the mid 40s."},
            {"Alaska", "ANC         ANCHORAGE, AK", "AER", "FPAK52 PAFC 071400", "AKZ101",
             ".TUESDAY...Partly cloudy. Highs around 12."},
        };
        for (const auto& row : rows) {
            QTest::newRow(row[0]) << QString::fromLatin1(row[1]) << QString::fromLatin1(row[2])
                                  << QString::fromLatin1(row[3]) << QString::fromLatin1(row[4])
                                  << QString::fromLatin1(row[5]);
        }
    }

    // Through the program's unchanged cuts the user reads the office's
    // header and, whole, the one zone group that holds the station.
    void stationGetsItsZone()
    {
        QFETCH(QString, entry);
        QFETCH(QString, offices);
        QFETCH(QString, heading);
        QFETCH(QString, zone);
        QFETCH(QString, lastLine);
        const Extraction::ForecastCut cut = shown(ZoneForecast::statePage(products(offices), entry));
        QVERIFY2(cut.ok, qPrintable(cut.error));
        QVERIFY(cut.text.endsWith(QStringLiteral("\r\n") + lastLine + QStringLiteral("\r\n")));
        QVERIFY(cut.text.startsWith(heading + QStringLiteral("\r\n")));
        const QStringList zones = cut.text.split(QStringLiteral("\r\n"))
                                      .filter(QRegularExpression(QStringLiteral("^[A-Z]{2}Z\\d{3}-")));
        QCOMPARE(zones, QStringList{zone + QStringLiteral("-080000-")});
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
        const Extraction::ForecastCut cut =
            shown(ZoneForecast::statePage(products(QStringLiteral("older-style")), entry));
        QVERIFY2(cut.ok, qPrintable(cut.error));
        QVERIFY2(cut.text.endsWith(QStringLiteral(".TONIGHT...") + zone + QStringLiteral(".\r\n")),
                 qPrintable(cut.text));
    }

    void productText()
    {
        const QString bou = products(QStringLiteral("BOU")).constFirst();
        const QJsonObject answer{{QStringLiteral("productText"), QLatin1Char('\n') + bou}};
        QCOMPARE(ZoneForecast::productText(QJsonDocument(answer).toJson()), QLatin1Char('\n') + bou);
        QCOMPARE(ZoneForecast::productText(bou.toUtf8()), bou);
        const QJsonObject problem{{QStringLiteral("title"), QStringLiteral("Not Found")}};
        QCOMPARE(ZoneForecast::productText(QJsonDocument(problem).toJson()), QString());
    }

    // Without a zone group anywhere there is no page: the program then
    // says it received no forecast.
    void noZoneGroupNoPage()
    {
        const QStringList texts{QString(), QStringLiteral("<HTML><TITLE>404 Not Found</TITLE></HTML>\n"),
                                QStringLiteral("000\nFPUS55 KBOU 071530\nZFPBOU\n")};
        QVERIFY(ZoneForecast::statePage(texts, QStringLiteral("DEN         DENVER, CO")).isEmpty());
    }

    // A "<" would start a tag for the program's stripping and take the text
    // after it along; as an entity it keeps its place.
    void lessThanKeepsTheTextAfterIt()
    {
        QString text = products(QStringLiteral("BOU")).constFirst();
        text.replace(QStringLiteral("Highs 40 to 45."), QStringLiteral("Highs <45."));
        const Extraction::ForecastCut cut =
            shown(ZoneForecast::statePage({text}, QStringLiteral("DEN         DENVER, CO")));
        QVERIFY(cut.text.endsWith(QStringLiteral(".WEDNESDAY...Partly sunny. Highs &lt;45.\r\n")));
    }
};

QTEST_MAIN(TestZoneForecast)
#include "tst_zoneforecast.moc"
