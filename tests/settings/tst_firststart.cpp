#include "FirstStart.h"
#include "MemorySettingsStore.h"
#include "Settings.h"

#include <QTest>

class TestFirstStart : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void emptyStoreGetsEveryValueInOrder();
    void centresTheWindow_data();
    void centresTheWindow();
    void secondStartWritesNothing();
    void initialisedStoreIsNotRepairedWhenKeysAreMissing();
    void interruptedFirstStartIsCompletedNextTime();
    void firstStartValuesReadAsIntended();
};

namespace {

const QSizeF screen1080{1920.0 * 15, 1080.0 * 15};
const QSizeF window{7320, 4065};

} // namespace

void TestFirstStart::emptyStoreGetsEveryValueInOrder()
{
    MemorySettingsStore store;
    InitializeSettings(store, screen1080, window, QStringLiteral("100"));

    const QStringList expectedKeys{QStringLiteral("AppVersion"),
                                   QStringLiteral("CityCode"),
                                   QStringLiteral("State"),
                                   QStringLiteral("Update"),
                                   QStringLiteral("LabelForeColor"),
                                   QStringLiteral("ConditionsForeColor"),
                                   QStringLiteral("ConditionsBackColor"),
                                   QStringLiteral("ForecastForeColor"),
                                   QStringLiteral("ForecastBackColor"),
                                   QStringLiteral("BackBackColor"),
                                   QStringLiteral("Left"),
                                   QStringLiteral("Top"),
                                   QStringLiteral("Region"),
                                   QStringLiteral("SysTray")};
    QCOMPARE(store.writtenKeys(), expectedKeys);

    const QStringList expectedValues{QStringLiteral("100"),         QStringLiteral("DEN         DENVER, CO"),
                                     QStringLiteral("co"),          QStringLiteral("15"),
                                     QStringLiteral("-2147483640"), QStringLiteral("-2147483640"),
                                     QStringLiteral(" 12648447"),   QStringLiteral("-2147483640"),
                                     QStringLiteral(" 12648447"),   QStringLiteral(" 12632256"),
                                     QStringLiteral(" 10740"),      QStringLiteral(" 6067.5"),
                                     QStringLiteral("West"),        QStringLiteral("-1")};
    for (int i = 0; i < expectedKeys.size(); ++i)
        QCOMPARE(store.get(expectedKeys[i]), expectedValues[i]);
}

void TestFirstStart::centresTheWindow_data()
{
    QTest::addColumn<QSizeF>("screen");
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("top");

    QTest::newRow("1280x1024") << QSizeF(1280 * 15, 1024 * 15) << QStringLiteral(" 5940")
                               << QStringLiteral(" 5647.5");
    QTest::newRow("800x600") << QSizeF(800 * 15, 600 * 15) << QStringLiteral(" 2340")
                             << QStringLiteral(" 2467.5");
    QTest::newRow("screen smaller than the window")
        << QSizeF(400 * 15, 200 * 15) << QStringLiteral("-660") << QStringLiteral("-532.5");
}

void TestFirstStart::centresTheWindow()
{
    QFETCH(QSizeF, screen);
    QFETCH(QString, left);
    QFETCH(QString, top);
    MemorySettingsStore store;
    InitializeSettings(store, screen, window, QStringLiteral("100"));
    QCOMPARE(store.get(QStringLiteral("Left")), left);
    QCOMPARE(store.get(QStringLiteral("Top")), top);
}

void TestFirstStart::secondStartWritesNothing()
{
    MemorySettingsStore store;
    InitializeSettings(store, screen1080, window, QStringLiteral("100"));
    store.set(QStringLiteral("Update"), QStringLiteral("30"));
    store.clearLog();

    InitializeSettings(store, QSizeF(640 * 15, 480 * 15), window, QStringLiteral("200"));
    QVERIFY(store.writtenKeys().isEmpty());
    QCOMPARE(store.get(QStringLiteral("Update")), QStringLiteral("30"));
    QCOMPARE(store.get(QStringLiteral("AppVersion")), QStringLiteral("100"));
}

void TestFirstStart::initialisedStoreIsNotRepairedWhenKeysAreMissing()
{
    MemorySettingsStore store;
    InitializeSettings(store, screen1080, window, QStringLiteral("100"));
    store.remove(QStringLiteral("CityCode"));
    store.remove(QStringLiteral("SysTray"));
    store.clearLog();

    InitializeSettings(store, screen1080, window, QStringLiteral("100"));
    QVERIFY(store.writtenKeys().isEmpty());
    QVERIFY(!store.has(QStringLiteral("CityCode")));
    QVERIFY(!store.has(QStringLiteral("SysTray")));
}

void TestFirstStart::interruptedFirstStartIsCompletedNextTime()
{
    // A first start that wrote some keys but never reached its marker.
    MemorySettingsStore store;
    store.set(QStringLiteral("AppVersion"), QStringLiteral("100"));
    store.set(QStringLiteral("CityCode"), QStringLiteral("ABR         ABERDEEN, SD"));

    InitializeSettings(store, screen1080, window, QStringLiteral("100"));
    QCOMPARE(store.writtenKeys().size(), 14);
    QCOMPARE(store.get(QStringLiteral("CityCode")), QStringLiteral("DEN         DENVER, CO"));
    QCOMPARE(store.get(QStringLiteral("SysTray")), QStringLiteral("-1"));
}

void TestFirstStart::firstStartValuesReadAsIntended()
{
    MemorySettingsStore store;
    InitializeSettings(store, screen1080, window, QStringLiteral("100"));
    const Settings settings(store);
    QCOMPARE(settings.int16(QStringLiteral("Update")), qint16(15));
    QVERIFY(settings.trayRuleOn());
    QVERIFY(settings.trayUseOn());
    QCOMPARE(settings.colour(QStringLiteral("LabelForeColor")), qint32(0x80000008u));
    QCOMPARE(settings.colour(QStringLiteral("ConditionsBackColor")), qint32(0xC0FFFF));
    QCOMPARE(settings.colour(QStringLiteral("BackBackColor")), qint32(0xC0C0C0));
    QCOMPARE(settings.number(QStringLiteral("Top")), 6067.5);
}

QTEST_GUILESS_MAIN(TestFirstStart)
#include "tst_firststart.moc"
