// The sample server's conditions pages, in the layout the old servers
// wrote: every value must come from its own row even when the location
// holds a word the program finds a value by.
#include "pages/Extraction.h"
#include "pages/StripMarkup.h"
#include "support/ConditionsPage.h"

#include <QTest>

using Extraction::ExtractField;

class TestConditionsPage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void locationHoldingALabel_data()
    {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Wind in a town's name")
            << QStringLiteral("Windsor Locks, Bradley International Airport (KBDL)")
            << QStringLiteral("WINDSOR Locks, Bradley International Airport (KBDL)");
        QTest::newRow("two labels") << QStringLiteral("Dew Point Pressure Ridge (KXYZ)")
                                    << QStringLiteral("DEW POINT PRESSURE Ridge (KXYZ)");
    }

    // The program would count a value's lines from a label in the
    // location; each value must still come from its own row.
    void locationHoldingALabel()
    {
        QFETCH(QString, location);
        QFETCH(QString, shown);
        ConditionsPage::Observation observation;
        observation.location = location;
        observation.wind = QStringLiteral("Calm");
        observation.dewPoint = QStringLiteral("20 F (-7 C)");
        observation.pressure = QStringLiteral("30.01 in. Hg (1016 hPa)");
        QString text = StripMarkup(
            QString::fromLatin1(ConditionsPage::render(observation, QStringLiteral("ct"), false)));
        QVERIFY(Extraction::cutAtTitle(text));
        QCOMPARE(ExtractField(text, QStringLiteral("Dew Point"), 3, true), observation.dewPoint);
        QCOMPARE(ExtractField(text, QStringLiteral("Wind"), 3, true), observation.wind);
        QCOMPARE(ExtractField(text, QStringLiteral("Pressure"), 3, true), observation.pressure);
        QCOMPARE(ExtractField(text, QString(), 5, false), shown);
    }
};

QTEST_MAIN(TestConditionsPage)
#include "tst_conditionspage.moc"
