#include "live/ForecastOffices.h"
#include "settings/StationTable.h"

#include <QRegularExpression>
#include <QSet>
#include <QTest>

class TestForecastOffices : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Every state of the station table has offices to ask, each once, and
    // the table knows no other state.
    void coversTheStationTable()
    {
        const QRegularExpression location(QStringLiteral("^[A-Z]{2,3}$"));
        QSet<QString> tableStates;
        for (const QString& entry : StationTable::entries())
            tableStates.insert(StationTable::stateCode(entry));
        for (const QString& state : std::as_const(tableStates)) {
            const QStringList offices = ForecastOffices::forState(state);
            QVERIFY2(!offices.isEmpty(), qPrintable(state));
            QCOMPARE(QSet<QString>(offices.cbegin(), offices.cend()).size(), offices.size());
            for (const QString& office : offices)
                QVERIFY2(location.match(office).hasMatch(), qPrintable(state + QLatin1Char(' ') + office));
        }
        const QStringList known = ForecastOffices::states();
        QCOMPARE(QSet<QString>(known.cbegin(), known.cend()), tableStates);
    }

    void offices_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("offices");
        QTest::newRow("several, the principal first")
            << QStringLiteral("co") << QStringLiteral("BOU GJT PUB GLD");
        QTest::newRow("issuing locations")
            << QStringLiteral("ak") << QStringLiteral("AER ALU AFG NSB WCZ AJK");
        QTest::newRow("territory, San Juan's products") << QStringLiteral("pr") << QStringLiteral("SJU");
        QTest::newRow("upper case") << QStringLiteral("DC") << QStringLiteral("LWX");
        QTest::newRow("unknown") << QStringLiteral("zz") << QString();
    }

    void offices()
    {
        QFETCH(QString, state);
        QFETCH(QString, offices);
        QCOMPARE(ForecastOffices::forState(state).join(QLatin1Char(' ')), offices);
    }
};

QTEST_MAIN(TestForecastOffices)
#include "tst_forecastoffices.moc"
