#include "MemorySettingsStore.h"
#include "settings/FirstStart.h"
#include "settings/Settings.h"

#include <QRegularExpression>
#include <QTest>

Q_DECLARE_METATYPE(StoreCheck::Condition)

class TestFirstStart : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void emptyStoreGetsEveryValueInOrder();
    void centresTheWindow_data();
    void centresTheWindow();
    void secondStartWritesNothing();
    void initialisedStoreIsNotRepairedWhenKeysAreMissing();
    void onlyMissingKeysGetFirstValues_data();
    void onlyMissingKeysGetFirstValues();
    void firstStartValuesReadAsIntended();
};

namespace {

const QSizeF screen1080{1920.0 * 15, 1080.0 * 15};
const QSizeF window{7320, 4065};

// The fourteen keys in the order a first start writes them.
QStringList allKeys()
{
    return {QStringLiteral("AppVersion"),
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
}

} // namespace

void TestFirstStart::emptyStoreGetsEveryValueInOrder()
{
    MemorySettingsStore store;
    InitializeSettings(store, screen1080, window, QStringLiteral("100"));

    const QStringList expectedKeys = allKeys();
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

void TestFirstStart::onlyMissingKeysGetFirstValues_data()
{
    QTest::addColumn<StoreCheck::Condition>("condition");
    QTest::addColumn<bool>("setAside");
    QTest::addColumn<bool>("marked");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("written");

    const QStringList all = allKeys();
    using Condition = StoreCheck::Condition;
    QTest::newRow("first start killed after two keys")
        << Condition::Whole << false << false << all.mid(0, 2) << all.mid(2);
    QTest::newRow("file cut at a line end, its mark lost")
        << Condition::Whole << false << false << all.mid(0, 9) << all.mid(9);
    QTest::newRow("rebuilt from a damaged file that kept its mark")
        << Condition::Damaged << true << true << (all.mid(0, 3) + all.mid(4, 8) + all.mid(13))
        << QStringList{all[3], all[12]};
    QTest::newRow("damaged, could not be set aside")
        << Condition::Damaged << false << false << QStringList() << QStringList();
    QTest::newRow("unreadable") << Condition::Unreadable << false << false << QStringList() << QStringList();
}

void TestFirstStart::onlyMissingKeysGetFirstValues()
{
    QFETCH(StoreCheck::Condition, condition);
    QFETCH(bool, setAside);
    QFETCH(bool, marked);
    QFETCH(QStringList, present);
    QFETCH(QStringList, written);

    MemorySettingsStore firstValues;
    InitializeSettings(firstValues, screen1080, window, QStringLiteral("100"));

    MemorySettingsStore store;
    store.recovered.condition = condition;
    store.recovered.file = QStringLiteral("/home/u/.config/Ventaro/Ventaro.ini");
    if (setAside)
        store.recovered.backup = store.recovered.file + QStringLiteral(".damaged-20261207-131500");
    for (const QString& key : present)
        store.set(key, QStringLiteral("kept ") + key);
    if (marked)
        store.write(QStringLiteral("Ventaro"), QStringLiteral("Store"), QStringLiteral("Initialized"),
                    QStringLiteral("1"));
    store.clearLog();

    if (condition != StoreCheck::Condition::Whole)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^The settings file ")));
    const StoreCheck check = InitializeSettings(store, screen1080, window, QStringLiteral("100"));
    QCOMPARE(check.condition, condition);

    QCOMPARE(store.writtenKeys(), written);
    for (const QString& key : present)
        QCOMPARE(store.get(key), QStringLiteral("kept ") + key);
    for (const QString& key : written)
        QCOMPARE(store.get(key), firstValues.get(key));
    // The mark comes last, and only into a store that may be written.
    const bool writable = condition == StoreCheck::Condition::Whole || setAside;
    QCOMPARE(!store.log().isEmpty() && store.log().last().write, writable);
    if (writable)
        QCOMPARE(store.log().last().section + QLatin1Char('/') + store.log().last().key,
                 QStringLiteral("Store/Initialized"));
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
