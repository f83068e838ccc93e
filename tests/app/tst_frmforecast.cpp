#include "SampleAlerts.h"
#include "TestData.h"
#include "WindowRig.h"
#include "app/RefreshPolicy.h"
#include "app/TrayPicture.h"
#include "live/ActiveAlerts.h"
#include "resources/Resources.h"
#include "settings/FirstStart.h"
#include "settings/NumberForm.h"
#include "settings/StationTable.h"
#include "shell/SystemColors.h"
#include "shell/Twips.h"
#include "support/SamplePages.h"
#include "weather/SkyClasses.h"
#include "weather/Temperature.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextDocument>
#include <QTimeZone>
#include <QTimer>
#include <algorithm>

class TestFrmForecast : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstStart();
    void layoutAndAccessibility();
    void focusOrderAndKeys();
    void refreshKeys_data();
    void refreshKeys();
    void screenReadersHearValuesAndStatus();
    void successfulRefresh();
    void failedRefresh();
    void noStateForecastOutsideTheServicesArea();
    void refreshDuringRefreshIsIgnored();
    void sameForecastKeepsReadersPlace();
    void timer();
    void viewSwitch();
    void exitAndClose_data();
    void exitAndClose();
    void noTrayEndsInsteadOfHiding();
    void trayRuleAtStartUp_data();
    void trayRuleAtStartUp();
    void trayIconsAfterRefresh();
    void failedRefreshKeepsIcons();
    void popUpMenu();
    void trayMenuOnEveryProtocol();
    void menuWhileHidden();
    void secondClickBringsTheOpenWindowBack_data();
    void secondClickBringsTheOpenWindowBack();
    void colourSchemeDefaults();
    void colourSchemeRedBackgroundAndSystemColour();
    void colourSchemeReadsEachKeyEveryTime();
    void colourSchemeReadableInEveryTheme_data();
    void colourSchemeReadableInEveryTheme();
    void everyTextReadableInEveryWindow_data();
    void everyTextReadableInEveryWindow();
    void storedPosition_data();
    void storedPosition();
    void quitDuringHungFetch();
    void locationTellsWhenItWasObserved();
    void refreshAfterWakingOnlyWhenStale();
    void alertsHeadTheTooltips_data();
    void alertsHeadTheTooltips();
    void trayTellsTheTemperatureAndAWarning_data();
    void trayTellsTheTemperatureAndAWarning();
};

namespace {

const QStringList valueLabels{QStringLiteral("lblCity"),       QStringLiteral("lblTemp"),
                              QStringLiteral("lblHumidity"),   QStringLiteral("lblDew"),
                              QStringLiteral("lblPressure"),   QStringLiteral("lblWind"),
                              QStringLiteral("lblVisibility"), QStringLiteral("lblConditions")};

QString text(const ForecastRig& rig, const QString& name)
{
    return rig.child<QLabel>(name)->text();
}

QString entryFor(const QString& code)
{
    for (const QString& entry : StationTable::entries()) {
        if (StationTable::stationCode(entry) == code)
            return entry;
    }
    return {};
}

// The first station whose sky text satisfies `wanted`.
QString stationWithSky(const std::function<bool(const QString&)>& wanted)
{
    for (const QString& entry : StationTable::entries()) {
        if (wanted(SamplePages::observationFor(entry).sky))
            return StationTable::stationCode(entry);
    }
    return {};
}

int topTwips(QWidget* widget)
{
    return qRound(Twips::fromPixels(widget->y()));
}

QString accessibleName(QWidget* widget)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->text(QAccessible::Name) : QStringLiteral("(no interface)");
}

// A dark desktop theme: light text on dark windows and boxes.
QPalette darkPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(53, 53, 53));
    palette.setColor(QPalette::WindowText, QColor(240, 240, 240));
    palette.setColor(QPalette::Base, QColor(35, 35, 35));
    palette.setColor(QPalette::Text, QColor(240, 240, 240));
    palette.setColor(QPalette::Button, QColor(53, 53, 53));
    palette.setColor(QPalette::ButtonText, QColor(240, 240, 240));
    palette.setColor(QPalette::Light, QColor(200, 200, 200));
    return palette;
}

// The colour counted most often; `none` when nothing was counted.
QColor commonest(const QHash<QRgb, int>& counts, QRgb none)
{
    QRgb most = none;
    int mostCount = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > mostCount) {
            most = it.key();
            mostCount = it.value();
        }
    }
    return QColor::fromRgb(most);
}

// The colour most pixels of a ring just inside `rect` have in `image`:
// what the text within stands on, as drawn, clear of the frame around it.
QColor backgroundIn(const QImage& image, const QRect& rect)
{
    const QRect ring = rect.adjusted(3, 3, -4, -4);
    QHash<QRgb, int> counts;
    const auto count = [&](int x, int y) { ++counts[image.pixel(x, y)]; };
    for (int x = ring.left(); x <= ring.right(); ++x) {
        count(x, ring.top());
        count(x, ring.bottom());
    }
    for (int y = ring.top(); y <= ring.bottom(); ++y) {
        count(ring.left(), y);
        count(ring.right(), y);
    }
    return commonest(counts, 0);
}

// The colour the words of a picture button are drawn in: the commonest
// wholly opaque colour of the part of its picture, from `wordsFrom` (a
// fraction of its width) rightwards, that holds only words.
QColor wordInkOf(const QPushButton* button, double wordsFrom)
{
    const QImage picture = button->icon().pixmap(button->iconSize()).toImage();
    QHash<QRgb, int> counts;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = int(picture.width() * wordsFrom); x < picture.width(); ++x) {
            const QRgb pixel = picture.pixel(x, y);
            if (qAlpha(pixel) == 255)
                ++counts[pixel];
        }
    }
    return commonest(counts, 0);
}

QColor linkColourIn(const QImage& image, const QRect& rect, const QColor& background, const QColor& text)
{
    QHash<QRgb, int> counts;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (pixel != background.rgb() && pixel != text.rgb())
                ++counts[pixel];
        }
    }
    return commonest(counts, background.rgb());
}

// Every text `window` shows as it is drawn now, with its colour and the
// colour behind it; those under 4.5:1 are added to `unreadable`.
void checkTexts(QWidget* window, QStringList& unreadable)
{
    const QImage image = window->grab().toImage();
    const auto check = [&](const QWidget* widget, const QString& what, const QColor& text,
                           const QRect& where) {
        const QColor back = backgroundIn(image, where);
        const double ratio = SystemColors::contrastRatio(text, back);
        if (ratio < SystemColors::minimumTextContrast)
            unreadable.append(
                QStringLiteral("%1/%2 %3: %4 on %5, %6:1")
                    .arg(window->objectName(), widget->objectName(), what, text.name(), back.name())
                    .arg(ratio, 0, 'f', 2));
    };
    // The pictures of words and where in them the words begin.
    const QHash<QString, double> wordPictures{{QStringLiteral("cmdGetForecast"), 45.0 / 210},
                                              {QStringLiteral("cmdExit"), 0.0}};
    const QList<QWidget*> widgets = window->findChildren<QWidget*>();
    for (QWidget* widget : widgets) {
        if (!widget->isVisibleTo(window) || widget->visibleRegion().isEmpty())
            continue;
        const QRect rect(widget->mapTo(window, QPoint(0, 0)), widget->size());
        const QPalette palette = widget->palette();
        if (auto* label = qobject_cast<QLabel*>(widget); label && !label->text().isEmpty()) {
            check(label, label->text().left(20), palette.color(label->foregroundRole()), rect);
            // Links are drawn in a colour of their own, which only the
            // drawing tells: the commonest one that is neither the
            // background nor the text's (their underlines are solid).
            if (label->text().contains(QLatin1String("<a ")))
                check(label, QStringLiteral("its links"),
                      linkColourIn(image, rect, backgroundIn(image, rect),
                                   palette.color(label->foregroundRole())),
                      rect);
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            if (!button->text().isEmpty())
                check(button, button->text(), palette.color(button->foregroundRole()), rect);
            auto* push = qobject_cast<QPushButton*>(button);
            if (push && wordPictures.contains(push->objectName()))
                check(push, QStringLiteral("its picture's words"),
                      wordInkOf(push, wordPictures.value(push->objectName())), rect);
        } else if (auto* line = qobject_cast<QLineEdit*>(widget); line && !line->text().isEmpty()) {
            check(line, line->text().left(20), palette.color(QPalette::Text), rect);
        } else if (auto* box = qobject_cast<QPlainTextEdit*>(widget); box && !box->toPlainText().isEmpty()) {
            const QRect viewport(box->viewport()->mapTo(window, QPoint(0, 0)), box->viewport()->size());
            check(box, box->toPlainText().left(20), palette.color(QPalette::Text), viewport);
        } else if (auto* tabs = qobject_cast<QTabBar*>(widget)) {
            for (int index = 0; index < tabs->count(); ++index)
                check(tabs, tabs->tabText(index), palette.color(tabs->foregroundRole()),
                      tabs->tabRect(index).translated(rect.topLeft()));
        }
    }
}

QWidget* openWindow(const QString& name)
{
    QWidget* found = nullptr;
    (void)QTest::qWaitFor([&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == name && widget->isVisible())
                found = widget;
        }
        return found != nullptr;
    });
    return found;
}

} // namespace

void TestFrmForecast::firstStart()
{
    ForecastRig rig;
    frmForecast& window = rig.open();

    QVERIFY(window.isVisible());
    QCOMPARE(window.windowTitle(), QStringLiteral("Ventaro"));
    QCOMPARE(rig.store.get(QStringLiteral("CityCode")), QStringLiteral("DEN         DENVER, CO"));
    QCOMPARE(rig.store.get(QStringLiteral("SysTray")), QStringLiteral("-1"));
    QCOMPARE(window.session().stationCode(), QStringLiteral("DEN"));
    QCOMPARE(window.session().stateCode(), QStringLiteral("co"));
    QCOMPARE(window.session().updateMinutes(), qint16(15));

    // Centred: the stored edges put the designed window in the middle of
    // the primary screen, and the window stands there.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const double left = NumberForm::numericValue(rig.store.get(QStringLiteral("Left")));
    const double top = NumberForm::numericValue(rig.store.get(QStringLiteral("Top")));
    QCOMPARE(left, (screen.width() * 15.0 - (frmForecast::designWidth + frmForecast::frameWidth)) / 2);
    QCOMPARE(top, (screen.height() * 15.0 - frmForecast::compactOuterHeight) / 2);
    QCOMPARE(window.pos(), Twips::point(left, top));

    // Compact, empty, idle, and nothing fetched.
    QCOMPARE(window.height(), Twips::toPixels(frmForecast::designHeight));
    QCOMPARE(rig.child<QPushButton>(QStringLiteral("cmdExtended"))->text(), QStringLiteral(">>>"));
    for (const QString& name : valueLabels)
        QCOMPARE(text(rig, name), QString());
    QCOMPARE(text(rig, QStringLiteral("lblStatus")), QStringLiteral("  Idle"));
    QCOMPARE(rig.child<QPlainTextEdit>(QStringLiteral("Text3"))->toPlainText(), QString());
    QVERIFY(rig.server.requestedPaths().isEmpty());
    // The minute tick runs from the start.
    rig.clock.advance(std::chrono::minutes(1));
    QCOMPARE(window.session().minuteCount(), qint16(1));
}

void TestFrmForecast::layoutAndAccessibility()
{
    ForecastRig rig;
    rig.open();
    struct Expected
    {
        const char* name;
        QRect twips;
    };
    const Expected controls[] = {
        {"lblMain(0)", {120, 0, 855, 255}},         {"lblCity", {120, 240, 6975, 300}},
        {"lblMain(1)", {120, 600, 855, 255}},       {"lblWind", {120, 840, 6975, 300}},
        {"lblMain(2)", {120, 1200, 1095, 255}},     {"lblMain(3)", {3600, 1200, 1095, 255}},
        {"lblConditions", {120, 1440, 3375, 300}},  {"lblVisibility", {3600, 1440, 3495, 300}},
        {"lblMain(4)", {120, 1800, 1095, 255}},     {"lblMain(5)", {1920, 1800, 855, 255}},
        {"lblMain(6)", {3600, 1800, 855, 255}},     {"lblMain(7)", {4680, 1800, 855, 255}},
        {"lblTemp", {120, 2040, 1695, 300}},        {"lblDew", {1920, 2040, 1575, 300}},
        {"lblHumidity", {3600, 2040, 975, 300}},    {"lblPressure", {4680, 2040, 2415, 300}},
        {"cmdGetForecast", {120, 2550, 3375, 735}}, {"cmdSat", {3720, 2520, 735, 735}},
        {"cmdSettings", {4680, 2520, 735, 735}},    {"cmdExtended", {5640, 2520, 1455, 255}},
        {"cmdExit", {5640, 2880, 1455, 375}},       {"lblStatus", {0, 3480, 7095, 255}},
        {"Text3", {75, 3825, 6975, 1575}},
    };
    for (const Expected& control : controls) {
        QWidget* widget = rig.child(QString::fromLatin1(control.name));
        QVERIFY2(widget, control.name);
        const QRect t = control.twips;
        QCOMPARE(widget->geometry(), Twips::rect(t.x(), t.y(), t.width(), t.height()));
    }

    const QStringList headings{QStringLiteral("Location"),    QStringLiteral("Wind"),
                               QStringLiteral("Conditions"),  QStringLiteral("Visibility"),
                               QStringLiteral("Temperature"), QStringLiteral("Dewpoint"),
                               QStringLiteral("Humidity"),    QStringLiteral("Pressure")};
    for (int i = 0; i < 8; ++i)
        QCOMPARE(text(rig, QStringLiteral("lblMain(%1)").arg(i)), headings[i]);

    QCOMPARE(rig.child(QStringLiteral("cmdSat"))->toolTip(), QStringLiteral("View Satalite Images"));
    QCOMPARE(rig.child(QStringLiteral("cmdSettings"))->toolTip(), QStringLiteral("Settings"));
    QCOMPARE(rig.child(QStringLiteral("cmdExtended"))->toolTip(),
             QStringLiteral("View Extended Forecast Information"));
    QCOMPARE(rig.child(QStringLiteral("cmdExit"))->toolTip(), QStringLiteral("Exit Ventaro"));
    QCOMPARE(rig.child(QStringLiteral("cmdGetForecast"))->toolTip(), QString());

    // Picture buttons speak their words or tooltips; value labels keep their
    // text for screen readers and carry the heading as the description.
    QCOMPARE(rig.child(QStringLiteral("cmdGetForecast"))->accessibleName(), QStringLiteral("Get Forecast"));
    QCOMPARE(rig.child(QStringLiteral("cmdExit"))->accessibleName(), QStringLiteral("Exit"));
    QCOMPARE(rig.child(QStringLiteral("cmdSat"))->accessibleName(), QStringLiteral("View Satalite Images"));
    QCOMPARE(rig.child(QStringLiteral("cmdSettings"))->accessibleName(), QStringLiteral("Settings"));
    QCOMPARE(rig.child(QStringLiteral("lblDew"))->accessibleDescription(), QStringLiteral("Dewpoint"));
    QCOMPARE(rig.child(QStringLiteral("lblCity"))->accessibleName(), QString());

    QCOMPARE(rig.child(QStringLiteral("lblCity"))->font().pointSizeF(), 9.0);
    QCOMPARE(rig.child(QStringLiteral("lblStatus"))->font().pointSizeF(), 8.25);
    QCOMPARE(rig.child(QStringLiteral("Text3"))->font().pointSizeF(), 8.25);
    // The design-time icon: the program's own picture, not an empty one.
    QVERIFY(!rig.window->windowIcon().isNull());
    QCOMPARE(rig.window->windowIcon().availableSizes(), programIcon().availableSizes());
    QVERIFY(!rig.window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!rig.window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QCOMPARE(rig.window->minimumSize(), rig.window->maximumSize());
}

void TestFrmForecast::focusOrderAndKeys()
{
    ForecastRig rig;
    frmForecast& window = rig.open();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));

    // The forecast box takes its place in the order only where it can be
    // seen, in the extended view.
    const QStringList compact{QStringLiteral("cmdGetForecast"), QStringLiteral("cmdSettings"),
                              QStringLiteral("cmdExit"),        QStringLiteral("cmdExtended"),
                              QStringLiteral("cmdSat"),         QStringLiteral("cmdGetForecast")};
    QTRY_COMPARE(QApplication::focusWidget(), rig.child(compact[0]));
    const auto tabThrough = [](const QStringList& order) {
        for (int i = 1; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), order[i]);
        }
    };
    tabThrough(compact);
    if (QTest::currentTestFailed())
        return;
    QTest::mouseClick(rig.child<QPushButton>(QStringLiteral("cmdExtended")), Qt::LeftButton);
    rig.child(QStringLiteral("cmdGetForecast"))->setFocus();
    tabThrough({QStringLiteral("cmdGetForecast"), QStringLiteral("cmdSettings"), QStringLiteral("cmdExit"),
                QStringLiteral("Text3"), QStringLiteral("cmdExtended"), QStringLiteral("cmdSat")});
    if (QTest::currentTestFailed())
        return;
    QTest::mouseClick(rig.child<QPushButton>(QStringLiteral("cmdExtended")), Qt::LeftButton);

    // Space and Enter press a focused picture button.
    auto* extended = rig.child<QPushButton>(QStringLiteral("cmdExtended"));
    extended->setFocus();
    QTest::keyClick(extended, Qt::Key_Space);
    QCOMPARE(extended->text(), QStringLiteral("<<<"));
    QTest::keyClick(extended, Qt::Key_Return);
    QCOMPARE(extended->text(), QStringLiteral(">>>"));

    auto* getForecast = rig.child<QPushButton>(QStringLiteral("cmdGetForecast"));
    getForecast->setFocus();
    QTest::keyClick(getForecast, Qt::Key_Enter);
    QTRY_COMPARE(rig.server.requestedPaths().size(), 2);
}

void TestFrmForecast::refreshKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("focus");
    QTest::newRow("F5 on Get Forecast") << int(Qt::Key_F5) << Qt::KeyboardModifiers() << "cmdGetForecast";
    QTest::newRow("Ctrl+R in the forecast box, extended view")
        << int(Qt::Key_R) << Qt::KeyboardModifiers(Qt::ControlModifier) << "Text3";
}

void TestFrmForecast::refreshKeys()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, focus);
    ForecastRig rig;
    frmForecast& window = rig.open();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    if (focus == QLatin1String("Text3")) // in reach in the extended view only
        QTest::mouseClick(rig.child<QPushButton>(QStringLiteral("cmdExtended")), Qt::LeftButton);
    QWidget* target = rig.child(focus);
    target->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), target);

    QTest::keyClick(target, Qt::Key(key), modifiers);
    QVERIFY(window.session().running());
    QVERIFY(rig.waitForRefreshes(1));
    QCOMPARE(rig.server.requestedPaths(), QStringList({QStringLiteral("/weather/current/KDEN.html"),
                                                       QStringLiteral("/iwin/co/state.html")}));
    QVERIFY(text(rig, QStringLiteral("lblTemp")).size() > 1);
}

// Pages with CR LF line ends leave a carriage return at the end of a value;
// the label shows the value as it came, after its leading blank, while a
// screen reader hears the value alone. The status line is the window's
// status bar and is heard by each text it shows.
void TestFrmForecast::screenReadersHearValuesAndStatus()
{
    ForecastRig rig;
    rig.server.setCrlf(true);
    rig.open();
    auto* status = rig.child<QLabel>(QStringLiteral("lblStatus"));
    QAccessibleInterface* statusBar = QAccessible::queryAccessibleInterface(status);
    QVERIFY(statusBar);
    QCOMPARE(statusBar->role(), QAccessible::StatusBar);
    QCOMPARE(statusBar->text(QAccessible::Name), QStringLiteral("Idle"));
    QStringList shown;
    QStringList heard;
    connect(rig.window.get(), &frmForecast::statusShown, status, [&](const QString& text) {
        shown.append(text);
        heard.append(statusBar->text(QAccessible::Name));
    });

    QVERIFY(rig.refresh());
    QVERIFY(shown.size() >= 3);
    QCOMPARE(heard.constFirst(), QStringLiteral("Attempting connection to ") + rig.server.host());
    QCOMPARE(heard.constLast(), QStringLiteral("Idle"));
    for (qsizetype i = 0; i < shown.size(); ++i) {
        QVERIFY2(shown[i].startsWith(QLatin1String("  ")), qPrintable(shown[i]));
        QCOMPARE(heard[i], shown[i].mid(2));
    }

    const SamplePages::Observation expected = SamplePages::observationFor(entryFor(QStringLiteral("DEN")));
    const QList<std::pair<QString, QString>> values{
        {QStringLiteral("lblCity"), expected.location},
        {QStringLiteral("lblTemp"), expected.temperature},
        {QStringLiteral("lblHumidity"), expected.humidity},
        {QStringLiteral("lblDew"), expected.dewPoint},
        {QStringLiteral("lblPressure"), expected.pressure},
        {QStringLiteral("lblWind"), expected.wind},
        {QStringLiteral("lblVisibility"), expected.visibility},
        {QStringLiteral("lblConditions"), expected.sky},
    };
    int withLineEnd = 0;
    for (const auto& [name, value] : values) {
        const QString shownText = text(rig, name);
        QVERIFY2(shownText.startsWith(QLatin1Char(' ') + value), qPrintable(name));
        withLineEnd += shownText.contains(QLatin1Char('\r')) ? 1 : 0;
        QCOMPARE(accessibleName(rig.child(name)), value);
    }
    QVERIFY(withLineEnd > 0);

    rig.server.setFault(SampleServer::Fault::NotFound);
    QVERIFY(rig.refresh());
    QCOMPARE(accessibleName(rig.child(QStringLiteral("lblCity"))), QStringLiteral("Unavailable"));
    for (const auto& [name, value] : values.mid(1))
        QCOMPARE(accessibleName(rig.child(name)), QString());
}

void TestFrmForecast::successfulRefresh()
{
    ForecastRig rig;
    rig.open();
    QStringList statuses;
    auto* status = rig.child<QLabel>(QStringLiteral("lblStatus"));
    connect(&rig.server, &SampleServer::requestReceived, status, [&] { statuses.append(status->text()); });

    QVERIFY(rig.refresh());

    const SamplePages::Observation expected = SamplePages::observationFor(entryFor(QStringLiteral("DEN")));
    QCOMPARE(text(rig, QStringLiteral("lblCity")), QLatin1Char(' ') + expected.location);
    QCOMPARE(text(rig, QStringLiteral("lblTemp")), QLatin1Char(' ') + expected.temperature);
    QCOMPARE(text(rig, QStringLiteral("lblHumidity")), QLatin1Char(' ') + expected.humidity);
    QCOMPARE(text(rig, QStringLiteral("lblDew")), QLatin1Char(' ') + expected.dewPoint);
    QCOMPARE(text(rig, QStringLiteral("lblPressure")), QLatin1Char(' ') + expected.pressure);
    QCOMPARE(text(rig, QStringLiteral("lblWind")), QLatin1Char(' ') + expected.wind);
    QCOMPARE(text(rig, QStringLiteral("lblVisibility")), QLatin1Char(' ') + expected.visibility);
    QCOMPARE(text(rig, QStringLiteral("lblConditions")), QLatin1Char(' ') + expected.sky);

    const QString forecast = rig.child<QPlainTextEdit>(QStringLiteral("Text3"))->toPlainText();
    QVERIFY2(forecast.contains(QStringLiteral("1998")), qPrintable(forecast));
    QVERIFY(forecast.contains(QStringLiteral(".TODAY")));
    QVERIFY(!forecast.contains(QStringLiteral("$$")));
    QCOMPARE(rig.server.requestedPaths(), QStringList({QStringLiteral("/weather/current/KDEN.html"),
                                                       QStringLiteral("/iwin/co/state.html")}));
    // Each request goes out while its connection status is showing.
    QCOMPARE(statuses, QStringList({QStringLiteral("  Attempting connection to ") + rig.server.host(),
                                    QStringLiteral("  Attempting connection to ") + rig.server.host()}));
    QCOMPARE(text(rig, QStringLiteral("lblStatus")), QStringLiteral("  Idle"));
}

// What a refresh without conditions shows (tst_forecastsession has every
// kind of failure): the values and the forecast go, the icons stay.
void TestFrmForecast::failedRefresh()
{
    ForecastRig rig;
    frmForecast& window = rig.open();
    QVERIFY(rig.refresh());
    QVERIFY(!text(rig, QStringLiteral("lblTemp")).isEmpty());
    QVERIFY(!rig.forecastText().isEmpty());
    const QStringList iconsBefore = rig.intray();
    const qint64 windowIconBefore = window.windowIcon().cacheKey();

    rig.server.setFault(SampleServer::Fault::NotFound);
    QVERIFY(rig.refresh());

    QCOMPARE(text(rig, QStringLiteral("lblCity")), QStringLiteral(" Unavailable"));
    for (const QString& name : valueLabels.mid(1))
        QCOMPARE(text(rig, name), QString());
    QCOMPARE(rig.forecastText(), QString());
    QCOMPARE(text(rig, QStringLiteral("lblStatus")), QStringLiteral("  Idle"));
    QCOMPARE(rig.intray(), iconsBefore);
    QCOMPARE(window.windowIcon().cacheKey(), windowIconBefore);
}

// Cancun's stored state is Colorado's: its page is not asked.
void TestFrmForecast::noStateForecastOutsideTheServicesArea()
{
    ForecastRig rig;
    rig.initializeStore();
    rig.store.set(QStringLiteral("CityCode"), QStringLiteral("CUN         CANCUN, MEXICO"));
    rig.store.set(QStringLiteral("State"), QStringLiteral("co"));
    rig.open();
    QVERIFY(rig.refresh());
    QCOMPARE(rig.server.requestedPaths(), QStringList{QStringLiteral("/weather/current/KCUN.html")});
    QCOMPARE(
        rig.child<QPlainTextEdit>(QStringLiteral("Text3"))->toPlainText(),
        QStringLiteral("The US National Weather Service has no forecast for CANCUN, MEXICO: it forecasts "
                       "for the United States and its territories only."));
}

// A click while a refresh runs (tst_forecastsession has the tick too).
void TestFrmForecast::refreshDuringRefreshIsIgnored()
{
    ForecastRig rig;
    frmForecast& window = rig.open();
    int nestedAttempts = 0;
    bool runningThen = false;
    // Once the conditions have been asked for: the refresh cannot end
    // before the forecast has been asked for too.
    connect(&rig.server, &SampleServer::requestReceived, &window, [&] {
        if (nestedAttempts++ == 0) {
            QTimer::singleShot(0, &window, [&] {
                runningThen = window.session().running();
                QTest::mouseClick(rig.child(QStringLiteral("cmdGetForecast")), Qt::LeftButton);
            });
        }
    });
    QVERIFY(rig.refresh());
    QCOMPARE(nestedAttempts, 2);
    QVERIFY(runningThen);
    QCOMPARE(rig.server.requestedPaths(), QStringList({QStringLiteral("/weather/current/KDEN.html"),
                                                       QStringLiteral("/iwin/co/state.html")}));
    QCOMPARE(rig.finished->size(), 1);
    QVERIFY(text(rig, QStringLiteral("lblTemp")).size() > 1);
}

// The timer refreshes far more often than forecasts change: the same text
// stays where the reader left it, while a new one (or one after a failed
// refresh emptied the box) is shown from its first line.
void TestFrmForecast::sameForecastKeepsReadersPlace()
{
    ForecastRig rig;
    rig.open();
    auto* box = rig.child<QPlainTextEdit>(QStringLiteral("Text3"));
    QVERIFY(rig.refresh());
    const QString colorado = box->toPlainText();
    QVERIFY(colorado.contains(QStringLiteral("COLORADO")));
    QCOMPARE(box->textCursor().position(), 0);

    box->moveCursor(QTextCursor::End);
    const int readerAt = box->textCursor().position();
    QVERIFY(readerAt > 0);
    QVERIFY(rig.refresh());
    QCOMPARE(box->toPlainText(), colorado);
    QCOMPARE(box->textCursor().position(), readerAt);

    rig.store.set(QStringLiteral("State"), QStringLiteral("wy"));
    rig.reloadThroughSettingsDialog();
    QVERIFY(rig.refresh());
    QVERIFY(box->toPlainText().contains(QStringLiteral("WYOMING")));
    QCOMPARE(box->textCursor().position(), 0);
    QCOMPARE(box->verticalScrollBar()->value(), 0);

    rig.store.set(QStringLiteral("State"), QStringLiteral("co"));
    rig.reloadThroughSettingsDialog();
    rig.server.setFault(SampleServer::Fault::NotFound);
    QVERIFY(rig.refresh());
    QCOMPARE(box->toPlainText(), QString());
    rig.server.setFault(SampleServer::Fault::None);
    QVERIFY(rig.refresh());
    QCOMPARE(box->toPlainText(), colorado);
}

// The minute tick on the clock refreshes the window when the interval is
// reached, a refresh by Get Forecast meanwhile leaving the count alone
// (tst_forecastsession has the intervals).
void TestFrmForecast::timer()
{
    ForecastRig rig;
    frmForecast& window = rig.open();
    rig.clock.advance(std::chrono::minutes(10));
    rig.server.setFault(SampleServer::Fault::NotFound);
    QVERIFY(rig.refresh());
    QCOMPARE(text(rig, QStringLiteral("lblCity")), QStringLiteral(" Unavailable"));
    rig.server.setFault(SampleServer::Fault::None);

    rig.clock.advance(std::chrono::minutes(4));
    QVERIFY(!window.session().running());
    rig.clock.advance(std::chrono::minutes(1));
    QVERIFY(window.session().running());
    QVERIFY(rig.waitForRefreshes(2));
    QVERIFY(text(rig, QStringLiteral("lblTemp")).size() > 1);
    QCOMPARE(window.session().minuteCount(), qint16(0));
}

void TestFrmForecast::viewSwitch()
{
    ForecastRig rig;
    frmForecast& window = rig.open();
    auto* extended = rig.child<QPushButton>(QStringLiteral("cmdExtended"));
    struct Tops
    {
        int text3, exit, settings, getForecast, sat, extended, status, clientHeight;
        QString caption;
    };
    const auto tops = [&] {
        return Tops{topTwips(rig.child(QStringLiteral("Text3"))),
                    topTwips(rig.child(QStringLiteral("cmdExit"))),
                    topTwips(rig.child(QStringLiteral("cmdSettings"))),
                    topTwips(rig.child(QStringLiteral("cmdGetForecast"))),
                    topTwips(rig.child(QStringLiteral("cmdSat"))),
                    topTwips(extended),
                    topTwips(rig.child(QStringLiteral("lblStatus"))),
                    qRound(Twips::fromPixels(window.height())),
                    extended->text()};
    };
    // Pixel positions are whole: a twips value lands within half a pixel.
    const auto near = [](int actual, int twips) { return std::abs(actual - twips) <= Twips::perPixel / 2; };

    QTest::mouseClick(extended, Qt::LeftButton);
    Tops t = tops();
    QCOMPARE(t.caption, QStringLiteral("<<<"));
    QVERIFY(near(t.text3, 2520) && near(t.exit, 4560) && near(t.settings, 4195) && near(t.getForecast, 4195));
    QVERIFY(near(t.sat, 4195) && near(t.extended, 4200) && near(t.status, 5100));
    QVERIFY(near(t.clientHeight, frmForecast::extendedOuterHeight - frmForecast::frameHeight));
    QVERIFY(rig.child(QStringLiteral("Text3"))->geometry().bottom() < window.height());
    QVERIFY(rig.child(QStringLiteral("Text3"))->isVisible());

    QTest::mouseClick(extended, Qt::LeftButton);
    t = tops();
    QCOMPARE(t.caption, QStringLiteral(">>>"));
    // The compact view of the switch, not the design positions (2550, 3825).
    QCOMPARE(rig.child(QStringLiteral("cmdGetForecast"))->y(), Twips::toPixels(2520));
    QCOMPARE(rig.child(QStringLiteral("Text3"))->y(), Twips::toPixels(3820));
    QVERIFY(!rig.child(QStringLiteral("Text3"))->isVisible());
    QVERIFY(near(t.exit, 2880) && near(t.settings, 2520) && near(t.sat, 2520) && near(t.extended, 2520));
    QVERIFY(near(t.status, 3480));
    QCOMPARE(window.height(), Twips::toPixels(frmForecast::designHeight));
}

void TestFrmForecast::exitAndClose_data()
{
    QTest::addColumn<QString>("sysTray");
    QTest::addColumn<bool>("useCloseBox");
    QTest::addColumn<bool>("ends");

    QTest::newRow("tray use on, Exit hides") << QStringLiteral("-1") << false << false;
    QTest::newRow("tray use on, close box hides") << QStringLiteral("-1") << true << false;
    QTest::newRow("tray use off, Exit ends") << QStringLiteral("0") << false << true;
    QTest::newRow("tray use off, close box ends") << QStringLiteral("0") << true << true;
    QTest::newRow("hand-written 1, Exit ends") << QStringLiteral("1") << false << true;
    QTest::newRow("hand-written 1, close box ends") << QStringLiteral("1") << true << true;
}

void TestFrmForecast::exitAndClose()
{
    QFETCH(QString, sysTray);
    QFETCH(bool, useCloseBox);
    QFETCH(bool, ends);
    ForecastRig rig;
    rig.initializeStore();
    rig.store.set(QStringLiteral("SysTray"), sysTray);
    frmForecast& window = rig.open();
    window.move(Twips::point(1500, 750));
    rig.store.clearLog();

    if (useCloseBox)
        window.close();
    else
        QTest::mouseClick(rig.child(QStringLiteral("cmdExit")), Qt::LeftButton);

    QVERIFY(!window.isVisible());
    QCOMPARE(rig.ending->size(), ends ? 1 : 0);
    if (ends) {
        QCOMPARE(rig.store.writtenKeys(), QStringList({QStringLiteral("Left"), QStringLiteral("Top")}));
        QCOMPARE(rig.store.get(QStringLiteral("Left")), QStringLiteral(" 1500"));
        QCOMPARE(rig.store.get(QStringLiteral("Top")), QStringLiteral(" 750"));
    } else {
        QVERIFY(rig.store.writtenKeys().isEmpty());
        // Unload from the tray menu then ends it and saves the position.
        rig.window->findChild<QAction*>(QStringLiteral("mnuUnload"))->trigger();
        QCOMPARE(rig.ending->size(), 1);
        QCOMPARE(rig.store.writtenKeys(), QStringList({QStringLiteral("Left"), QStringLiteral("Top")}));
    }
}

void TestFrmForecast::noTrayEndsInsteadOfHiding()
{
    ForecastRig rig;
    rig.tray.setTrayAvailableOverride(false);
    rig.open();
    QTest::mouseClick(rig.child(QStringLiteral("cmdExit")), Qt::LeftButton);
    QCOMPARE(rig.ending->size(), 1);
    QVERIFY(rig.store.has(QStringLiteral("Left")));
}

void TestFrmForecast::trayRuleAtStartUp_data()
{
    QTest::addColumn<QString>("sysTray");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("-1 puts the question mark up") << QStringLiteral("-1") << QStringList{QStringLiteral("6")};
    QTest::newRow("hand-written 1 puts it up too") << QStringLiteral("1") << QStringList{QStringLiteral("6")};
    QTest::newRow("0 takes every icon down") << QStringLiteral("0") << QStringList{};
    QTest::newRow("absent is off") << QString() << QStringList{};
}

void TestFrmForecast::trayRuleAtStartUp()
{
    QFETCH(QString, sysTray);
    QFETCH(QStringList, shown);
    ForecastRig rig;
    rig.initializeStore();
    if (sysTray.isNull())
        rig.store.remove(QStringLiteral("SysTray"));
    else
        rig.store.set(QStringLiteral("SysTray"), sysTray);
    rig.tray.setIntray(3, true); // left over from a design that showed it
    rig.open();
    if (shown.isEmpty()) {
        QCOMPARE(rig.intray(), QStringList());
    } else {
        QVERIFY(rig.intray().contains(QStringLiteral("6")));
        QCOMPARE(rig.tray.traytip(6), QStringLiteral("Ventaro"));
    }
}

void TestFrmForecast::trayIconsAfterRefresh()
{
    ForecastRig rig;
    frmForecast& window = rig.open();
    QCOMPARE(rig.intray(), QStringList{QStringLiteral("6")});

    struct Case
    {
        const char* what;
        std::function<bool(const QString&)> sky;
    };
    const Case cases[] = {
        {"cloud only",
         [](const QString& s) { return SkyClasses::classify(s).shown == QList<int>{SkyClasses::Cloud}; }},
        {"rain and thunder",
         [](const QString& s) { return SkyClasses::classify(s).shown.contains(SkyClasses::Thunder); }},
        {"snow", [](const QString& s) { return SkyClasses::classify(s).shown.contains(SkyClasses::Snow); }},
        {"clear or sun",
         [](const QString& s) {
             return SkyClasses::classify(s).shown == QList<int>{SkyClasses::ClearOrSun};
         }},
        {"overcast",
         [](const QString& s) { return SkyClasses::classify(s).shown == QList<int>{SkyClasses::Overcast}; }},
        {"no keyword", [](const QString& s) { return SkyClasses::classify(s).shown.isEmpty(); }},
    };
    for (const Case& c : cases) {
        const QString code = stationWithSky(c.sky);
        QVERIFY2(!code.isEmpty(), c.what);
        rig.store.set(QStringLiteral("CityCode"), code);
        rig.reloadThroughSettingsDialog();
        const qint64 iconBefore = window.windowIcon().cacheKey();
        QVERIFY(rig.refresh());

        const QString sky = SamplePages::observationFor(entryFor(code)).sky;
        const SkyClasses::Choice choice = SkyClasses::classify(sky);
        QStringList expected;
        for (int index : choice.shown)
            expected.append(QString::number(index));
        if (choice.shown.isEmpty()) {
            // Nothing matched: the start-up icon keeps the program reachable
            // and the window keeps its icon.
            QCOMPARE(rig.intray(), QStringList{QStringLiteral("6")});
            QCOMPARE(window.windowIcon().cacheKey(), iconBefore);
            continue;
        }
        expected.sort();
        QStringList actual = rig.intray();
        actual.sort();
        QVERIFY2(actual == expected,
                 qPrintable(QStringLiteral("%1: %2").arg(QString::fromLatin1(c.what), sky)));
        for (int index : choice.shown)
            QCOMPARE(rig.tray.traytip(index), sky);
        QCOMPARE(window.windowIcon().cacheKey(), rig.tray.trayicon(*choice.windowIcon).cacheKey());
    }
}

void TestFrmForecast::failedRefreshKeepsIcons()
{
    ForecastRig rig;
    rig.initializeStore();
    rig.store.set(QStringLiteral("SysTray"), QStringLiteral("0"));
    frmForecast& window = rig.open();
    const qint64 icon = window.windowIcon().cacheKey();
    QVERIFY(rig.refresh());
    // Tray use off: a successful refresh leaves the tray and the icon alone.
    QVERIFY(text(rig, QStringLiteral("lblTemp")).size() > 1);
    QCOMPARE(rig.intray(), QStringList());
    QCOMPARE(window.windowIcon().cacheKey(), icon);
}

void TestFrmForecast::popUpMenu()
{
    ForecastRig rig;
    rig.open();
    auto* menu = rig.window->findChild<QMenu*>(QStringLiteral("mnuPopUp"));
    QVERIFY(menu);
    QCOMPARE(menu->title(), QStringLiteral("PopUp"));
    const QList<QAction*> actions = menu->actions();
    QCOMPARE(actions.size(), 4);
    QCOMPARE(actions[0]->text(), QStringLiteral("Display Ventaro"));
    QCOMPARE(actions[1]->text(), QStringLiteral("Get Forecast"));
    QVERIFY(actions[2]->isSeparator());
    QCOMPARE(actions[3]->text(), QStringLiteral("Unload Ventaro"));

    Q_EMIT rig.tray.buttonEvent(3, 1, 0);
    QVERIFY(!menu->isVisible());
    Q_EMIT rig.tray.buttonEvent(6, TrayIcons::rightButton, 0);
    QTRY_VERIFY(menu->isVisible());
    menu->hide();
}

// Trays that show an icon's menu themselves (StatusNotifierItem hosts)
// offer the pop-up menu on every icon; trays that open that menu and then
// report the right button as well (XEmbed trays) see it open once.
void TestFrmForecast::trayMenuOnEveryProtocol()
{
    ForecastRig rig;
    rig.open();
    auto* menu = rig.window->findChild<QMenu*>(QStringLiteral("mnuPopUp"));
    QTRY_VERIFY(rig.tray.shownInNotificationArea(6));
    QCOMPARE(rig.tray.contextMenuInNotificationArea(6), menu);
    // The weather icons are made by a refresh.
    rig.store.set(QStringLiteral("CityCode"), stationWithSky([](const QString& sky) {
                      return SkyClasses::classify(sky).shown.size() > 1;
                  }));
    rig.reloadThroughSettingsDialog();
    QVERIFY(rig.refresh());
    const QStringList up = rig.intray();
    QVERIFY(up.size() > 1);
    for (const QString& index : up) {
        QTRY_VERIFY(rig.tray.shownInNotificationArea(index.toInt()));
        QCOMPARE(rig.tray.contextMenuInNotificationArea(index.toInt()), menu);
    }

    QSignalSpy opened(menu, &QMenu::aboutToShow);
    menu->popup(QPoint(40, 40));
    QVERIFY(menu->isVisible());
    const QPoint placed = menu->pos();
    Q_EMIT rig.tray.buttonEvent(up.constFirst().toInt(), TrayIcons::rightButton, 0);
    QCOMPARE(opened.size(), 1);
    QCOMPARE(menu->pos(), placed);
    menu->hide();
    Q_EMIT rig.tray.buttonEvent(up.constFirst().toInt(), TrayIcons::rightButton, 0);
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(opened.size(), 2);
    menu->hide();
}

void TestFrmForecast::menuWhileHidden()
{
    ForecastRig rig;
    frmForecast& window = rig.open();
    QTest::mouseClick(rig.child(QStringLiteral("cmdExit")), Qt::LeftButton);
    QVERIFY(!window.isVisible());

    window.findChild<QAction*>(QStringLiteral("mnuGetForecast"))->trigger();
    QVERIFY(rig.waitForRefreshes(1));
    QVERIFY(text(rig, QStringLiteral("lblTemp")).size() > 1);
    QVERIFY(!window.isVisible());

    Q_EMIT rig.tray.showEvent(6);
    QVERIFY(window.isVisible());
    window.findChild<QAction*>(QStringLiteral("mnuForecast"))->trigger();
    QVERIFY(window.isVisible());

    QTest::mouseClick(rig.child(QStringLiteral("cmdExit")), Qt::LeftButton);
    window.move(Twips::point(3000, 1500));
    rig.store.clearLog();
    window.findChild<QAction*>(QStringLiteral("mnuUnload"))->trigger();
    QCOMPARE(rig.ending->size(), 1);
    QCOMPARE(rig.store.get(QStringLiteral("Left")), QStringLiteral(" 3000"));
    QCOMPARE(rig.store.get(QStringLiteral("Top")), QStringLiteral(" 1500"));
    QVERIFY(window.exitRequested());
}

void TestFrmForecast::secondClickBringsTheOpenWindowBack_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("window");
    QTest::newRow("satellite dish") << QStringLiteral("cmdSat") << QStringLiteral("frmBrowser");
    QTest::newRow("tools") << QStringLiteral("cmdSettings") << QStringLiteral("frmSettings");
}

void TestFrmForecast::secondClickBringsTheOpenWindowBack()
{
    QFETCH(QString, button);
    QFETCH(QString, window);
    ForecastRig rig;
    rig.initializeStore();
    frmForecast& main = rig.open();
    const auto open = [&] {
        QList<QWidget*> found;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == window && widget->isVisible())
                found.append(widget);
        }
        return found;
    };

    QTest::mouseClick(rig.child(button), Qt::LeftButton);
    QVERIFY(!main.isVisible());
    QCOMPARE(open().size(), 1);
    QWidget* first = open().constFirst();
    first->showMinimized();

    // The main window comes back through the tray while the other stays open.
    main.findChild<QAction*>(QStringLiteral("mnuForecast"))->trigger();
    QVERIFY(main.isVisible());
    QTest::mouseClick(rig.child(button), Qt::LeftButton);
    QVERIFY(!main.isVisible());
    QCOMPARE(open(), QList<QWidget*>{first});
    QVERIFY(!first->isMinimized());

    first->close();
    QVERIFY(main.isVisible());
    QTRY_VERIFY(open().isEmpty());
}

void TestFrmForecast::colourSchemeDefaults()
{
    ForecastRig rig;
    frmForecast& window = rig.open();
    const QPalette system = QApplication::palette();
    QCOMPARE(rig.child(QStringLiteral("lblMain(4)"))->palette().color(QPalette::WindowText),
             system.color(QPalette::WindowText));
    QCOMPARE(rig.child(QStringLiteral("lblCity"))->palette().color(QPalette::WindowText),
             system.color(QPalette::WindowText));
    QCOMPARE(rig.child(QStringLiteral("lblCity"))->palette().color(QPalette::Window), QColor(255, 255, 192));
    QCOMPARE(rig.child(QStringLiteral("Text3"))->palette().color(QPalette::Base), QColor(255, 255, 192));
    QCOMPARE(rig.child(QStringLiteral("Text3"))->palette().color(QPalette::Text),
             system.color(QPalette::WindowText));
    QCOMPARE(window.palette().color(QPalette::Window), QColor(192, 192, 192));
}

void TestFrmForecast::colourSchemeRedBackgroundAndSystemColour()
{
    ForecastRig rig;
    frmForecast& window = rig.open();
    const QColor statusBefore = rig.child(QStringLiteral("lblStatus"))->palette().color(QPalette::Window);
    const QColor buttonBefore =
        rig.child(QStringLiteral("cmdGetForecast"))->palette().color(QPalette::Button);

    rig.store.set(QStringLiteral("BackBackColor"), QStringLiteral(" 255"));
    const qint32 buttonFace = qint32(0x8000000Fu);
    rig.store.set(QStringLiteral("ForecastBackColor"), NumberForm::numberToText(buttonFace));
    window.ApplyColorScheme();

    QCOMPARE(window.palette().color(QPalette::Window), QColor(255, 0, 0));
    QCOMPARE(rig.child(QStringLiteral("lblCity"))->palette().color(QPalette::Window), QColor(255, 255, 192));
    QVERIFY(!rig.child(QStringLiteral("lblMain(0)"))->autoFillBackground());
    QCOMPARE(rig.child(QStringLiteral("Text3"))->palette().color(QPalette::Base),
             QApplication::palette().color(QPalette::Button));
    QCOMPARE(rig.child(QStringLiteral("lblStatus"))->palette().color(QPalette::Window), statusBefore);
    QCOMPARE(rig.child(QStringLiteral("cmdGetForecast"))->palette().color(QPalette::Button), buttonBefore);
}

void TestFrmForecast::colourSchemeReadsEachKeyEveryTime()
{
    ForecastRig rig;
    frmForecast& window = rig.open();
    rig.store.clearLog();
    window.ApplyColorScheme();
    QStringList expected;
    for (int i = 0; i < 8; ++i)
        expected.append(QStringLiteral("LabelForeColor"));
    for (int i = 0; i < 8; ++i)
        expected << QStringLiteral("ConditionsForeColor") << QStringLiteral("ConditionsBackColor");
    expected << QStringLiteral("ForecastForeColor") << QStringLiteral("ForecastBackColor")
             << QStringLiteral("BackBackColor");
    QCOMPARE(rig.store.readKeys(), expected);
    QCOMPARE(expected.size(), 27);
}

void TestFrmForecast::colourSchemeReadableInEveryTheme_data()
{
    // The six keys in their order: LabelForeColor, ConditionsForeColor,
    // ConditionsBackColor, ForecastForeColor, ForecastBackColor,
    // BackBackColor; "text" is the window-text reference. Expected are the
    // headings', values' and forecast's text colours and the backgrounds of
    // the values, the forecast box and the window.
    QTest::addColumn<bool>("dark");
    QTest::addColumn<QStringList>("scheme");
    QTest::addColumn<QList<QColor>>("expected");

    const QString text = QStringLiteral("-2147483640");
    const QString lightSystemBack = QStringLiteral("-2147483628"); // button highlight: Light
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    const QColor paleYellow(255, 255, 192);
    const QColor lightGrey(192, 192, 192);
    const QColor darkThemeText(240, 240, 240);
    const QStringList firstStart{text,
                                 text,
                                 QStringLiteral(" 12648447"),
                                 text,
                                 QStringLiteral(" 12648447"),
                                 QStringLiteral(" 12632256")};

    QTest::newRow("first-start scheme, dark theme: black on the pale colours")
        << true << firstStart << QList<QColor>{black, black, black, paleYellow, paleYellow, lightGrey};
    // Navy headings, white on dark green values, yellow on dark blue forecast.
    QTest::newRow("own colours with good contrast, dark theme: as stored")
        << true
        << QStringList{QStringLiteral(" 8388608"), QStringLiteral(" 16777215"), QStringLiteral(" 25600"),
                       QStringLiteral(" 65535"),   QStringLiteral(" 6291456"),  QStringLiteral(" 12632256")}
        << QList<QColor>{QColor(0, 0, 128), white,    QColor(255, 255, 0), QColor(0, 100, 0),
                         QColor(0, 0, 96),  lightGrey};
    // Chosen together by the user, however poor: grey on grey, yellow on
    // pale yellow.
    QTest::newRow("own colours with poor contrast: as stored")
        << true
        << QStringList{QStringLiteral(" 13684944"), QStringLiteral(" 65535"),    QStringLiteral(" 12648447"),
                       QStringLiteral(" 65535"),    QStringLiteral(" 12648447"), QStringLiteral(" 12632256")}
        << QList<QColor>{QColor(208, 208, 208),
                         QColor(255, 255, 0),
                         QColor(255, 255, 0),
                         paleYellow,
                         paleYellow,
                         lightGrey};
    const QStringList textOnNavy{
        text, text, QStringLiteral(" 8388608"), text, QStringLiteral(" 8388608"), QStringLiteral(" 8388608")};
    QTest::newRow("theme's text on the user's navy, light theme: white")
        << false << textOnNavy
        << QList<QColor>{white, white, white, QColor(0, 0, 128), QColor(0, 0, 128), QColor(0, 0, 128)};
    QTest::newRow("theme's text on the user's navy, dark theme: as stored")
        << true << textOnNavy << QList<QColor>{darkThemeText,     darkThemeText,     darkThemeText,
                                               QColor(0, 0, 128), QColor(0, 0, 128), QColor(0, 0, 128)};
    const QColor light(200, 200, 200);
    QTest::newRow("theme's colours on theme's colours: the theme's business")
        << true << QStringList{text, text, lightSystemBack, text, lightSystemBack, lightSystemBack}
        << QList<QColor>{darkThemeText, darkThemeText, darkThemeText, light, light, light};
}

void TestFrmForecast::colourSchemeReadableInEveryTheme()
{
    QFETCH(bool, dark);
    QFETCH(QStringList, scheme);
    QFETCH(QList<QColor>, expected);
    const QPalette before = QApplication::palette();
    const auto restore = qScopeGuard([&] { QApplication::setPalette(before); });
    if (dark)
        QApplication::setPalette(darkPalette());

    const QStringList keys{QStringLiteral("LabelForeColor"),      QStringLiteral("ConditionsForeColor"),
                           QStringLiteral("ConditionsBackColor"), QStringLiteral("ForecastForeColor"),
                           QStringLiteral("ForecastBackColor"),   QStringLiteral("BackBackColor")};
    ForecastRig rig;
    rig.initializeStore();
    for (qsizetype i = 0; i < keys.size(); ++i)
        rig.store.set(keys[i], scheme[i]);
    frmForecast& window = rig.open();

    const auto colour = [&](const char* name, QPalette::ColorRole role) {
        return rig.child(QString::fromLatin1(name))->palette().color(role);
    };
    for (int i = 0; i < 8; ++i)
        QCOMPARE(rig.child(QStringLiteral("lblMain(%1)").arg(i))->palette().color(QPalette::WindowText),
                 expected[0]);
    for (const QString& name : valueLabels) {
        QCOMPARE(rig.child(name)->palette().color(QPalette::WindowText), expected[1]);
        QCOMPARE(rig.child(name)->palette().color(QPalette::Window), expected[3]);
    }
    QCOMPARE(colour("Text3", QPalette::Text), expected[2]);
    QCOMPARE(colour("Text3", QPalette::Base), expected[4]);
    QCOMPARE(window.palette().color(QPalette::Window), expected[5]);
    // What is drawn never goes back to the store.
    for (qsizetype i = 0; i < keys.size(); ++i)
        QCOMPARE(rig.store.get(keys[i]), scheme[i]);
}

void TestFrmForecast::everyTextReadableInEveryWindow_data()
{
    // The six keys in their order: LabelForeColor, ConditionsForeColor,
    // ConditionsBackColor, ForecastForeColor, ForecastBackColor,
    // BackBackColor.
    QTest::addColumn<bool>("dark");
    QTest::addColumn<QStringList>("scheme");

    const QString text = QStringLiteral("-2147483640");       // window text
    const QString boxes = QStringLiteral("-2147483643");      // window background: Base
    const QString buttonFace = QStringLiteral("-2147483633"); // button face
    const QString navy = QStringLiteral(" 8388608");
    const QString white = QStringLiteral(" 16777215");
    const QList<std::pair<const char*, QStringList>> schemes{
        {"first-start scheme",
         {text, text, QStringLiteral(" 12648447"), text, QStringLiteral(" 12648447"),
          QStringLiteral(" 12632256")}},
        {"own colours",
         {navy, white, QStringLiteral(" 25600"), QStringLiteral(" 65535"), QStringLiteral(" 6291456"),
          QStringLiteral(" 12632256")}},
        {"theme's text on navy", {text, text, navy, text, navy, navy}},
        {"theme's colours throughout", {text, text, boxes, text, boxes, buttonFace}},
        {"theme's text on white", {text, text, white, text, white, white}},
        {"navy text on theme's colours", {navy, navy, boxes, navy, boxes, buttonFace}},
    };
    for (const auto& [name, scheme] : schemes) {
        QTest::addRow("%s, light theme", name) << false << scheme;
        QTest::addRow("%s, dark theme", name) << true << scheme;
    }
}

void TestFrmForecast::everyTextReadableInEveryWindow()
{
    QFETCH(bool, dark);
    QFETCH(QStringList, scheme);
    const QPalette before = QApplication::palette();
    const auto restore = qScopeGuard([&] { QApplication::setPalette(before); });
    if (dark)
        QApplication::setPalette(darkPalette());

    const QStringList keys{QStringLiteral("LabelForeColor"),      QStringLiteral("ConditionsForeColor"),
                           QStringLiteral("ConditionsBackColor"), QStringLiteral("ForecastForeColor"),
                           QStringLiteral("ForecastBackColor"),   QStringLiteral("BackBackColor")};
    ForecastRig rig;
    rig.initializeStore();
    for (qsizetype i = 0; i < keys.size(); ++i)
        rig.store.set(keys[i], scheme[i]);
    frmForecast& window = rig.open();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(rig.refresh());

    QStringList unreadable;
    checkTexts(&window, unreadable);
    QTest::mouseClick(rig.child(QStringLiteral("cmdExtended")), Qt::LeftButton);
    QVERIFY(rig.child(QStringLiteral("Text3"))->isVisible());
    checkTexts(&window, unreadable);

    QTest::mouseClick(rig.child(QStringLiteral("cmdSettings")), Qt::LeftButton);
    QWidget* settings = openWindow(QStringLiteral("frmSettings"));
    QVERIFY(settings);
    auto* tabs = settings->findChild<QTabWidget*>(QStringLiteral("SSTab1"));
    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        checkTexts(settings, unreadable);
    }
    settings->close();
    QTRY_VERIFY(window.isVisible());

    QTest::mouseClick(rig.child(QStringLiteral("cmdSat")), Qt::LeftButton);
    QWidget* browser = openWindow(QStringLiteral("frmBrowser"));
    QVERIFY(browser);
    QTRY_VERIFY(browser->windowTitle().startsWith(QLatin1String("Satalite Image")));
    checkTexts(browser, unreadable);
    browser->close();

    QVERIFY2(unreadable.isEmpty(), qPrintable(unreadable.join(QStringLiteral("\n"))));
}

void TestFrmForecast::storedPosition_data()
{
    // Stored Left and Top, as twips from the screen's top-left corner
    // (the screen's own size is added to the "beyond" rows); expected, the
    // edges that had to move.
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("top");
    QTest::addColumn<QPoint>("beyondScreen");
    QTest::addColumn<bool>("keptAsStored");

    QTest::newRow("on screen") << QStringLiteral(" 1500") << QStringLiteral(" 300") << QPoint() << true;
    QTest::newRow("half a twip is kept unrounded")
        << QStringLiteral(" 100.5") << QStringLiteral(" 0") << QPoint() << true;
    QTest::newRow("partly off the left edge")
        << QStringLiteral("-3000") << QStringLiteral(" 300") << QPoint() << false;
    QTest::newRow("partly off the top edge")
        << QStringLiteral(" 300") << QStringLiteral("-450") << QPoint() << false;
    QTest::newRow("partly off the right edge")
        << QStringLiteral("-3000") << QStringLiteral(" 300") << QPoint(1, 0) << false;
    QTest::newRow("partly off the bottom edge")
        << QStringLiteral(" 300") << QStringLiteral("-1500") << QPoint(0, 1) << false;
    QTest::newRow("entirely off to the left")
        << QStringLiteral("-200000") << QStringLiteral(" 300") << QPoint() << false;
    QTest::newRow("entirely below") << QStringLiteral(" 300") << QStringLiteral(" 900000") << QPoint()
                                    << false;
    // Hand-edited values no int can hold are brought into range first.
    QTest::newRow("beyond the int range")
        << QStringLiteral(" 99999999999") << QStringLiteral("-99999999999") << QPoint() << false;
    QTest::newRow("so many digits it reads as infinity")
        << QStringLiteral(" 300") << QString(QLatin1Char(' ') + QString(400, QLatin1Char('9'))) << QPoint()
        << false;
}

void TestFrmForecast::storedPosition()
{
    QFETCH(QString, left);
    QFETCH(QString, top);
    QFETCH(QPoint, beyondScreen);
    QFETCH(bool, keptAsStored);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QPointF screenTwips(Twips::fromPixels(area.width()), Twips::fromPixels(area.height()));
    const double leftTwips = NumberForm::numericValue(left) + beyondScreen.x() * screenTwips.x();
    const double topTwips = NumberForm::numericValue(top) + beyondScreen.y() * screenTwips.y();
    ForecastRig rig;
    rig.initializeStore();
    rig.store.set(QStringLiteral("Left"), beyondScreen.isNull() ? left : NumberForm::numberToText(leftTwips));
    rig.store.set(QStringLiteral("Top"), beyondScreen.isNull() ? top : NumberForm::numberToText(topTwips));
    frmForecast& window = rig.open();
    const QPoint stored = Twips::point(leftTwips, topTwips);
    if (keptAsStored) {
        QCOMPARE(window.pos(), stored);
        return;
    }
    // Wholly on the screen, with the frame the window is designed with.
    const QRect outer(window.pos(), Twips::size(frmForecast::designWidth + frmForecast::frameWidth,
                                                frmForecast::compactOuterHeight));
    QVERIFY2(area.contains(outer), qPrintable(QStringLiteral("at %1,%2").arg(outer.x()).arg(outer.y())));
    // Moved no further than that takes: an edge that was on the screen
    // stays where it was stored, and one that was off comes to the edge.
    const auto expected = [](int from, int first, int last) { return std::clamp(from, first, last); };
    QCOMPARE(window.x(), expected(stored.x(), area.left(), area.right() + 1 - outer.width()));
    QCOMPARE(window.y(), expected(stored.y(), area.top(), area.bottom() + 1 - outer.height()));
}

void TestFrmForecast::quitDuringHungFetch()
{
    // A server that never answers, and a client that would wait a minute.
    ForecastRig rig(std::chrono::seconds(60));
    frmForecast& window = rig.open();
    rig.server.setFault(SampleServer::Fault::Hang);
    connect(&rig.server, &SampleServer::requestReceived, &window,
            [&] { QTimer::singleShot(0, &window, [&] { window.mnuUnload_Click(); }); });

    QTest::mouseClick(rig.child(QStringLiteral("cmdGetForecast")), Qt::LeftButton);
    // The program ends once asked, long before the transfer's own time-out.
    QTRY_COMPARE_WITH_TIMEOUT(rig.ending->size(), 1, 10000);
    QVERIFY(!window.isVisible());
    QVERIFY(!window.session().running());
    QVERIFY(rig.store.has(QStringLiteral("Left")));
    QCOMPARE(rig.server.requestedPaths(), QStringList{QStringLiteral("/weather/current/KDEN.html")});
}

// The location's tooltip after a refresh (tst_forecastsession follows it
// minute by minute and through a failure).
void TestFrmForecast::locationTellsWhenItWasObserved()
{
    ForecastRig rig;
    rig.open();
    // The sample pages were observed at 15:53 UTC on Dec 7, 1998; Denver
    // shows it in its own zone.
    rig.clock.setWallTime(QDateTime(QDate(1998, 12, 7), QTime(16, 7), QTimeZone::utc()));
    QVERIFY(rig.refresh());
    QCOMPARE(rig.child(QStringLiteral("lblCity"))->toolTip(),
             QStringLiteral("Observed Dec 07, 1998 08:53 AM MST \u2014 14 minutes ago"));
}

// The machine wakes 20 minutes later, with the interval at 15: the
// window's weather is refreshed once the signal has settled
// (tst_forecastsession has when it is not).
void TestFrmForecast::refreshAfterWakingOnlyWhenStale()
{
    ForecastRig rig;
    frmForecast& window = rig.open();
    QVERIFY(rig.refresh());
    rig.server.setFault(SampleServer::Fault::NotFound);
    rig.clock.moveWallClock(std::chrono::minutes(20));
    Q_EMIT rig.session.resumed();
    rig.clock.advance(RefreshPolicy::settle);
    QVERIFY(window.session().running());
    QVERIFY(rig.waitForRefreshes(2));
    QCOMPARE(text(rig, QStringLiteral("lblCity")), QStringLiteral(" Unavailable"));
}

namespace {

// A tooltip as Qt shows it: rich text when it looks like rich text.
QString shownToolTip(const QString& tip)
{
    if (!Qt::mightBeRichText(tip))
        return tip;
    QTextDocument document;
    document.setHtml(tip);
    return document.toPlainText();
}

} // namespace

void TestFrmForecast::alertsHeadTheTooltips_data()
{
    QTest::addColumn<QString>("answer"); // kept, or "marked" or "flood"
    QTest::addColumn<bool>("refreshedFirst");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("told once and in sight: above the observation and the sky")
        << QStringLiteral("two") << true
        << QStringList{QStringLiteral("Winter Storm Warning until 6 PM MST Tue"),
                       QStringLiteral("Wind Advisory until 11 PM MST Mon")};
    QTest::newRow("marked up: shown as its characters")
        << QStringLiteral("marked") << false
        << QStringList{QStringLiteral("<b>Blizzard</b> Warning & <img src=x> until 6 PM MST Tue")};
    QStringList flood;
    for (int index = 0; index < 12; ++index)
        flood.append(QStringLiteral("Warning %1 until %2 PM MST Tue").arg(index).arg(index < 10 ? 6 : 5));
    flood.append(QStringLiteral("and 488 more alerts"));
    QTest::newRow("a flood: summed up above the start-up icon's text")
        << QStringLiteral("flood") << false << flood;
}

// The session's alert lines head the location's tooltip and each tray
// icon's, above what each said before, as plain text (tst_forecastsession
// has which alerts are told and in sight).
void TestFrmForecast::alertsHeadTheTooltips()
{
    QFETCH(QString, answer);
    QFETCH(bool, refreshedFirst);
    QFETCH(QStringList, lines);
    QList<WeatherAlert> alerts;
    if (answer == QLatin1String("flood")) {
        alerts = SampleAlerts::flood(500);
    } else if (answer == QLatin1String("marked")) {
        alerts = SampleAlerts::answer(QStringLiteral("one"));
        alerts[0].id += QStringLiteral(".marked");
        alerts[0].event = QStringLiteral("<b>Blizzard</b> Warning & <img src=x>");
    } else {
        alerts = SampleAlerts::answer(answer);
    }
    ForecastRig rig;
    frmForecast& window = rig.open();
    // 3 PM in Denver on Monday, December 7, 2026.
    rig.clock.setWallTime(QDateTime(QDate(2026, 12, 7), QTime(22, 0), QTimeZone::utc()));
    if (refreshedFirst)
        QVERIFY(rig.refresh());
    auto* city = rig.child<QLabel>(QStringLiteral("lblCity"));
    const QString cityBefore = city->toolTip();
    QCOMPARE(cityBefore.startsWith(QLatin1String("Observed")), refreshedFirst);
    const int icon = rig.intray().constFirst().toInt();
    const QString trayBefore = rig.tray.traytip(icon);
    QVERIFY(!trayBefore.isEmpty());

    window.session().takeAlerts(AlertWatch::prepare(alerts));
    const QString head = lines.join(QLatin1Char('\n'));
    QCOMPARE(shownToolTip(city->toolTip()), refreshedFirst ? head + QLatin1Char('\n') + cityBefore : head);
    QTRY_COMPARE(shownToolTip(rig.tray.toolTipInNotificationArea(icon)),
                 head + QLatin1Char('\n') + trayBefore);
}

void TestFrmForecast::trayTellsTheTemperatureAndAWarning_data()
{
    QTest::addColumn<QString>("choice"); // as stored under TrayTemperature; empty: absent
    QTest::newRow("the choice absent: the sky icons as the rule gives them") << QString();
    QTest::newRow("the choice off") << QStringLiteral("0");
    QTest::newRow("the choice on: the temperature, the sky beside it") << QStringLiteral("-1");
}

// After a refresh the tray shows the sky, or with the choice on the
// temperature in one icon; a warning in effect marks whatever it shows and
// stands in the status line, until it ends.
void TestFrmForecast::trayTellsTheTemperatureAndAWarning()
{
    QFETCH(QString, choice);
    ForecastRig rig;
    rig.initializeStore();
    if (!choice.isEmpty())
        rig.store.set(QStringLiteral("TrayTemperature"), choice);
    const QString code =
        stationWithSky([](const QString& sky) { return SkyClasses::classify(sky).shown.size() >= 2; });
    QVERIFY(!code.isEmpty());
    rig.store.set(QStringLiteral("CityCode"), code);
    frmForecast& window = rig.open();
    // 3 PM in Denver on Monday, December 7, 2026, while the fixtures' Winter
    // Storm Warning is in effect.
    rig.clock.setWallTime(QDateTime(QDate(2026, 12, 7), QTime(22, 0), QTimeZone::utc()));
    QVERIFY(rig.refresh());

    const QList<int> rule =
        SkyClasses::trayIcons(SkyClasses::classify(SamplePages::observationFor(entryFor(code)).sky));
    const std::optional<int> degrees =
        choice == QLatin1StringView("-1")
            ? Temperature::wholeFahrenheit(rig.child<QLabel>(QStringLiteral("lblTemp"))->text())
            : std::nullopt;
    QCOMPARE(degrees.has_value(), choice == QLatin1StringView("-1"));
    QStringList shown;
    for (int index : degrees ? rule.mid(0, 1) : rule)
        shown.append(QString::number(index));
    std::sort(shown.begin(), shown.end());
    QCOMPARE(rig.intray(), shown);
    const QtTrayIcons designed(trayDesign());
    const auto picture = [](const QIcon& icon) { return icon.pixmap(QSize(48, 48), 1.0).toImage(); };
    const auto expected = [&](int index, bool marked) {
        const QIcon icon = degrees && index == rule.first()
                               ? TrayPicture::temperatureIcon(*degrees, designed.trayicon(index))
                               : designed.trayicon(index);
        return picture(marked ? TrayPicture::withWarningBadge(icon) : icon);
    };
    for (const QString& index : shown)
        QCOMPARE(picture(rig.tray.trayicon(index.toInt())), expected(index.toInt(), false));

    window.session().takeAlerts(AlertWatch::prepare(
        ActiveAlerts::parse(TestData::bytes(QStringLiteral("live/alerts/one.json"))).alerts));
    for (const QString& index : shown)
        QCOMPARE(picture(rig.tray.trayicon(index.toInt())), expected(index.toInt(), true));
    QCOMPARE(rig.child<QLabel>(QStringLiteral("lblStatus"))->text(),
             QStringLiteral("  Winter Storm Warning until 6 PM MST Tue"));

    // Past its end, at the next minute's tick.
    rig.clock.setWallTime(QDateTime(QDate(2026, 12, 9), QTime(2, 0), QTimeZone::utc()));
    window.session().Timer1_Timer();
    for (const QString& index : shown)
        QCOMPARE(picture(rig.tray.trayicon(index.toInt())), expected(index.toInt(), false));
    QCOMPARE(rig.child<QLabel>(QStringLiteral("lblStatus"))->text(), QStringLiteral("  Idle"));
}

QTEST_MAIN(TestFrmForecast)
#include "tst_frmforecast.moc"
