#include "pages/Extraction.h"

#include <QTest>

using Extraction::ExtractField;

class TestExtraction : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void extractField_data();
    void extractField();
    void titleCut_data();
    void titleCut();
    void forecastCuts_data();
    void forecastCuts();
};

namespace {

QString lines(QStringList parts, const QString& end)
{
    return parts.join(end) + end;
}

} // namespace

void TestExtraction::extractField_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("line");
    QTest::addColumn<bool>("trim");
    QTest::addColumn<QString>("expected");

    const QString lf = QStringLiteral("\n");
    const QString crlf = QStringLiteral("\r\n");
    const QString temperature = QStringLiteral("Temperature");

    QTest::newRow("value two lines below its label")
        << lines({temperature, QString(), QStringLiteral("  45 F (7 C)")}, lf) << temperature << 3 << true
        << QStringLiteral("45 F (7 C)");
    QTest::newRow("CR LF leaves the CR on the value")
        << lines({temperature, QString(), QStringLiteral("  45 F (7 C)")}, crlf) << temperature << 3 << true
        << QStringLiteral("45 F (7 C)\r");
    QTest::newRow("trailing blanks stay") << lines({temperature, QString(), QStringLiteral(" 45 F  ")}, lf)
                                          << temperature << 3 << true << QStringLiteral("45 F  ");
    QTest::newRow("leading tabs stay") << lines({temperature, QString(), QStringLiteral("\t\t45 F")}, lf)
                                       << temperature << 3 << true << QStringLiteral("\t\t45 F");
    QTest::newRow("blank after tab stays") << lines({temperature, QString(), QStringLiteral(" \t 45")}, lf)
                                           << temperature << 3 << true << QStringLiteral("\t 45");
    QTest::newRow("empty value line")
        << lines({temperature, QString(), QString()}, lf) << temperature << 3 << true << QString();
    QTest::newRow("location keeps leading blanks")
        << lines({QStringLiteral("Current Weather Conditions"), QString(), QString(), QString(),
                  QStringLiteral("   DENVER, CO")},
                 lf)
        << QString() << 5 << false << QStringLiteral("   DENVER, CO");
    QTest::newRow("first line counts from the label, not the line start")
        << lines({QStringLiteral("x Wind y"), QStringLiteral("skip"), QStringLiteral(" calm")}, lf)
        << QStringLiteral("Wind") << 3 << true << QStringLiteral("calm");
    QTest::newRow("label inside a longer word wins when first")
        << lines({QStringLiteral("Windsor Locks, CT"), QStringLiteral("a"), QStringLiteral("b"),
                  QStringLiteral("Wind"), QString(), QStringLiteral(" 10 MPH")},
                 lf)
        << QStringLiteral("Wind") << 3 << true << QStringLiteral("b");
    QTest::newRow("labels are case-sensitive")
        << lines({QStringLiteral("Sky Conditions"), QString(), QStringLiteral("clear")}, lf)
        << QStringLiteral("Sky conditions") << 3 << true << QString();
    QTest::newRow("lower-case label does not match")
        << lines({QStringLiteral("temperature"), QString(), QStringLiteral("45")}, lf) << temperature << 3
        << true << QString();
    QTest::newRow("missing label gives empty")
        << lines({QStringLiteral("nothing here")}, lf) << temperature << 3 << true << QString();
    QTest::newRow("too few line ends gives empty")
        << (temperature + QStringLiteral("\n\n  45 F")) << temperature << 3 << true << QString();
    QTest::newRow("no line end at all gives empty") << temperature << temperature << 3 << true << QString();
    QTest::newRow("location with too few lines gives empty")
        << QStringLiteral("Current Weather Conditions\n\n\n\nNO LINE END") << QString() << 5 << false
        << QString();
    QTest::newRow("only LF ends lines; a lone CR does not")
        << (temperature + QStringLiteral("\r\r\n\n 5\n")) << temperature << 3 << true << QStringLiteral("5");
}

void TestExtraction::extractField()
{
    QFETCH(QString, page);
    QFETCH(QString, label);
    QFETCH(int, line);
    QFETCH(bool, trim);
    QFETCH(QString, expected);
    QCOMPARE(ExtractField(page, label, line, trim), expected);
}

void TestExtraction::titleCut_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("cut");

    const QString title = QStringLiteral("Current Weather Conditions");
    const QString tail = QStringLiteral("\nrest\n");
    QTest::newRow("title at position 200")
        << (QStringLiteral("x").repeated(199) + title + tail) << true << (title + tail);
    QTest::newRow("title at position 199 only")
        << (QStringLiteral("x").repeated(198) + title + tail) << false << QString();
    QTest::newRow("title early and again late")
        << (title + QStringLiteral("y").repeated(300) + title + QStringLiteral("!")) << true
        << (title + QStringLiteral("!"));
    QTest::newRow("text shorter than 225")
        << (QStringLiteral("x").repeated(150) + title) << false << QString();
    QTest::newRow("title straddling position 200 is seen from its start only")
        << (QStringLiteral("x").repeated(195) + title + QStringLiteral("x").repeated(100)) << false
        << QString();
    QTest::newRow("case matters") << (QStringLiteral("x").repeated(250) + title.toUpper()) << false
                                  << QString();
}

void TestExtraction::titleCut()
{
    QFETCH(QString, page);
    QFETCH(bool, found);
    QFETCH(QString, cut);
    QString text = page;
    QCOMPARE(Extraction::cutAtTitle(text), found);
    QCOMPARE(text, found ? cut : page);
}

void TestExtraction::forecastCuts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("expected");

    const QString e = QStringLiteral("\r\n");
    const QStringList denver{QStringLiteral("NATIONAL WEATHER SERVICE DENVER CO"),
                             QStringLiteral("830 AM MST MON DEC 7 1998"),
                             QString(),
                             QStringLiteral(".TODAY...SUNNY."),
                             QStringLiteral("$$"),
                             QString(),
                             QStringLiteral("NNNN")};
    QTest::newRow("year line through the text before the end markers")
        << lines(denver, e) << true
        << (QStringLiteral("830 AM MST MON DEC 7 1998") + e + e + QStringLiteral(".TODAY...SUNNY."));

    QStringList denver1999 = denver;
    denver1999[1].replace(QStringLiteral("1998"), QStringLiteral("1999"));
    QTest::newRow("without the year: from the second character")
        << lines(denver1999, e) << true
        << (QStringLiteral("ATIONAL WEATHER SERVICE DENVER CO") + e +
            QStringLiteral("830 AM MST MON DEC 7 1999") + e + e + QStringLiteral(".TODAY...SUNNY."));

    QTest::newRow("year at column 29 or later drops its own line")
        << lines({QStringLiteral("HEADER"), QStringLiteral("x").repeated(28) + QStringLiteral("1998"),
                  QStringLiteral("FORECAST"), QStringLiteral("$$")},
                 e)
        << true << QStringLiteral("FORECAST");
    QTest::newRow("year in the first line drops that line")
        << lines({QStringLiteral("1998 ISSUED"), QStringLiteral("FORECAST"), QStringLiteral("$$")}, e) << true
        << QStringLiteral("FORECAST");
    QTest::newRow("year at position 30 or less keeps the whole text before the first CR")
        << (QStringLiteral("AB") + e + QStringLiteral("1998 TEXT") + e + QStringLiteral("$$")) << true
        << QStringLiteral("1998 TEXT");
    QTest::newRow("first year counts even mid-text")
        << lines({QStringLiteral("HEAD"), QStringLiteral("ISSUED DECEMBER SEVENTH NINETEEN NINETY SEVEN"),
                  QStringLiteral("FROST SINCE 1998 EXPECTED"), QStringLiteral("$$")},
                 e)
        << true << QStringLiteral("FROST SINCE 1998 EXPECTED");
    QTest::newRow("dollars before NNNN: both cuts, ends before dollars")
        << lines({QStringLiteral("XTODAY"), QStringLiteral("$$"), QStringLiteral("MORE"),
                  QStringLiteral("NNNN")},
                 e)
        << true << QStringLiteral("TODAY");
    QTest::newRow("NNNN at position 3 leaves nothing, then the last cut fails")
        << QStringLiteral("abNNNN") << false << QString();
    QTest::newRow("NNNN at position 1 is an invalid cut")
        << QStringLiteral("NNNN rest") << false << QString();
    QTest::newRow("dollars at position 2 is an invalid cut") << QStringLiteral("a$$") << false << QString();
    QTest::newRow("empty text fails the last cut") << QString() << false << QString();
    QTest::newRow("one character left gives empty") << QStringLiteral("x") << true << QString();
    QTest::newRow("LF only: year cut finds no CR and keeps all")
        << QStringLiteral("HEAD\n830 AM 1998\nTODAY\n$$\n") << true
        << QStringLiteral("EAD\n830 AM 1998\nTODA");
}

void TestExtraction::forecastCuts()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(QString, expected);
    const Extraction::ForecastCut cut = Extraction::cutStateForecast(text);
    QCOMPARE(cut.ok, ok);
    if (ok) {
        QCOMPARE(cut.text, expected);
    } else {
        QVERIFY(!cut.error.isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestExtraction)
#include "tst_extraction.moc"
