#include "frmForecast.h"

#include "ForecastText.h"
#include "TrayRule.h"
#include "net/Network.h"
#include "resources/ResourcePaths.h"
#include "resources/Resources.h"
#include "satellite/frmBrowser.h"
#include "settings/FirstStart.h"
#include "settings/NumberForm.h"
#include "settings/SettingsKeys.h"
#include "settingsdialog/frmSettings.h"
#include "shell/AccessibleRole.h"
#include "shell/SystemColors.h"
#include "shell/TrayIcons.h"
#include "shell/Twips.h"
#include "shell/WindowServices.h"
#include "weather/Conditions.h"
#include "weather/SkyClasses.h"
#include "weather/WeatherTexts.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTextCursor>
#include <QTimer>

namespace {

const QColor designPaleYellow(255, 255, 192);
const QColor designLightGrey(192, 192, 192);

QFont arialFont(qreal points)
{
    return WindowServices::designFont(QStringLiteral("Arial"), points);
}

void setRole(QWidget* widget, QPalette::ColorRole role, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

// Tops in twips of the controls that move between the two views.
struct ViewLayout
{
    int text3;
    int cmdExit;
    int cmdSettings;
    int cmdGetForecast;
    int cmdSat;
    int cmdExtended;
    int outerHeight;
    const char* caption;
    int lblStatus;
};

constexpr ViewLayout extendedView{2520,  4560, 4195, 4195, 4195, 4200, frmForecast::extendedOuterHeight,
                                  "<<<", 5100};
constexpr ViewLayout compactView{3820,  2880, 2520, 2520, 2520, 2520, frmForecast::compactOuterHeight,
                                 ">>>", 3480};

void moveTop(QWidget* widget, int topTwips)
{
    widget->move(widget->x(), Twips::toPixels(topTwips));
}

// A picture of words on a button whose face the theme colours: the words
// keep the drawing's ink where that can be read on the face, and take
// black or white where it cannot (the navy of the Exit picture on a dark
// theme's grey).
QIcon readableWordPicture(const QString& drawing, const QWidget* button)
{
    const QColor ink = QColor::fromRgb(ResourcePaths::wordInk);
    const QColor readable = SystemColors::readableOn(ink, button->palette().color(QPalette::Button));
    return buttonPicture(drawing, readable == ink ? QColor() : readable);
}

} // namespace

frmForecast::frmForecast(Services services)
    : QWidget(nullptr,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_services(std::move(services)), m_settings(m_services.store), m_trayView(m_services.tray)
{
    initVentaroResources();
    setObjectName(QStringLiteral("frmForecast"));
    setWindowTitle(QStringLiteral("Ventaro"));
    setWindowIcon(programIcon());
    setFixedSize(Twips::size(designWidth, designHeight));
    setAutoFillBackground(true);

    createValueLabels();
    createButtons();
    createForecastBox();
    createStatusLine();
    createPopUpMenu();
    connectTray();
    connectSession();
    createRefreshKeys();

    setTabOrder(m_cmdGetForecast, m_cmdSettings);
    setTabOrder(m_cmdSettings, m_cmdExit);
    setTabOrder(m_cmdExit, m_Text3);
    setTabOrder(m_Text3, m_cmdExtended);
    setTabOrder(m_cmdExtended, m_cmdSat);
}

frmForecast::~frmForecast()
{
    m_services.tray.setContextMenu(nullptr);
    closeOtherWindows();
}

QLabel* frmForecast::createHeading(int index, const QString& text, int left, int top, int width)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(QStringLiteral("lblMain(%1)").arg(index));
    label->setFont(arialFont(9));
    label->setGeometry(Twips::rect(left, top, width, 255));
    m_lblMain[static_cast<size_t>(index)] = label;
    return label;
}

QLabel* frmForecast::createValue(const char* name, const QString& heading, int left, int top, int width)
{
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(name));
    // Page text is shown as it stands; rich text would let a page's own
    // markup-like text restyle or link the window.
    label->setTextFormat(Qt::PlainText);
    label->setFont(arialFont(9));
    label->setGeometry(Twips::rect(left, top, width, 300));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAutoFillBackground(true);
    setRole(label, QPalette::Window, designPaleYellow);
    // A screen reader reads the value as the label's name (nameValuesByText),
    // with the heading above it as its description.
    label->setAccessibleDescription(heading);
    return label;
}

void frmForecast::createValueLabels()
{
    createHeading(0, QStringLiteral("Location"), 120, 0, 855);
    m_lblCity = createValue("lblCity", QStringLiteral("Location"), 120, 240, 6975);
    createHeading(1, QStringLiteral("Wind"), 120, 600, 855);
    m_lblWind = createValue("lblWind", QStringLiteral("Wind"), 120, 840, 6975);
    createHeading(2, QStringLiteral("Conditions"), 120, 1200, 1095);
    createHeading(3, QStringLiteral("Visibility"), 3600, 1200, 1095);
    m_lblConditions = createValue("lblConditions", QStringLiteral("Conditions"), 120, 1440, 3375);
    m_lblVisibility = createValue("lblVisibility", QStringLiteral("Visibility"), 3600, 1440, 3495);
    createHeading(4, QStringLiteral("Temperature"), 120, 1800, 1095);
    createHeading(5, QStringLiteral("Dewpoint"), 1920, 1800, 855);
    createHeading(6, QStringLiteral("Humidity"), 3600, 1800, 855);
    createHeading(7, QStringLiteral("Pressure"), 4680, 1800, 855);
    m_lblTemp = createValue("lblTemp", QStringLiteral("Temperature"), 120, 2040, 1695);
    m_lblDew = createValue("lblDew", QStringLiteral("Dewpoint"), 1920, 2040, 1575);
    m_lblHumidity = createValue("lblHumidity", QStringLiteral("Humidity"), 3600, 2040, 975);
    m_lblPressure = createValue("lblPressure", QStringLiteral("Pressure"), 4680, 2040, 2415);
}

QPushButton* frmForecast::createPictureButton(const char* name, const QString& picture, const QString& words,
                                              const QString& toolTip, QRect twips, QSize pictureSize)
{
    auto* button = new QPushButton(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setFont(arialFont(9));
    button->setGeometry(Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
    button->setIcon(buttonPicture(picture));
    button->setIconSize(pictureSize);
    button->setToolTip(toolTip);
    button->setAccessibleName(words.isEmpty() ? toolTip : words);
    // Enter presses the focused button, as Space does.
    button->setAutoDefault(true);
    return button;
}

void frmForecast::createButtons()
{
    m_cmdGetForecast =
        createPictureButton("cmdGetForecast", ResourcePaths::getForecast, QStringLiteral("Get Forecast"),
                            QString(), QRect(120, 2550, 3375, 735), QSize(210, 40));
    setRole(m_cmdGetForecast, QPalette::Button, designLightGrey);
    m_cmdSat = createPictureButton("cmdSat", ResourcePaths::satelliteDish, QString(),
                                   QStringLiteral("View Satalite Images"), QRect(3720, 2520, 735, 735),
                                   QSize(32, 32));
    setRole(m_cmdSat, QPalette::Button, designLightGrey);
    m_cmdSettings =
        createPictureButton("cmdSettings", ResourcePaths::tools, QString(), QStringLiteral("Settings"),
                            QRect(4680, 2520, 735, 735), QSize(32, 32));
    m_cmdExit =
        createPictureButton("cmdExit", ResourcePaths::exitWord, QStringLiteral("Exit"),
                            QStringLiteral("Exit Ventaro"), QRect(5640, 2880, 1455, 375), QSize(49, 24));

    m_cmdExtended = new QPushButton(QStringLiteral(">>>"), this);
    m_cmdExtended->setObjectName(QStringLiteral("cmdExtended"));
    m_cmdExtended->setFont(arialFont(9));
    m_cmdExtended->setGeometry(Twips::rect(5640, 2520, 1455, 255));
    m_cmdExtended->setToolTip(QStringLiteral("View Extended Forecast Information"));
    m_cmdExtended->setAutoDefault(true);

    showWordPictures();

    connect(m_cmdGetForecast, &QPushButton::clicked, this, &frmForecast::cmdGetForecast_Click);
    connect(m_cmdSat, &QPushButton::clicked, this, &frmForecast::cmdSat_Click);
    connect(m_cmdSettings, &QPushButton::clicked, this, &frmForecast::cmdSettings_Click);
    connect(m_cmdExtended, &QPushButton::clicked, this, &frmForecast::cmdExtended_Click);
    connect(m_cmdExit, &QPushButton::clicked, this, &frmForecast::cmdExit_Click);
}

void frmForecast::showWordPictures()
{
    m_cmdGetForecast->setIcon(readableWordPicture(ResourcePaths::getForecast, m_cmdGetForecast));
    m_cmdExit->setIcon(readableWordPicture(ResourcePaths::exitWord, m_cmdExit));
}

void frmForecast::createForecastBox()
{
    m_Text3 = new QPlainTextEdit(this);
    m_Text3->setObjectName(QStringLiteral("Text3"));
    m_Text3->setFont(arialFont(8.25));
    m_Text3->setGeometry(Twips::rect(75, 3825, 6975, 1575));
    m_Text3->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_Text3->setReadOnly(true);
    m_Text3->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_Text3->setTabChangesFocus(true);
    m_Text3->setAccessibleName(QStringLiteral("Forecast"));
    setRole(m_Text3, QPalette::Base, designPaleYellow);
    // The window opens in the compact view, where the box lies below the
    // visible area.
    m_Text3->hide();
}

void frmForecast::createStatusLine()
{
    m_lblStatus = new QLabel(QStringLiteral("  Idle"), this);
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    m_lblStatus->setTextFormat(Qt::PlainText);
    m_lblStatus->setFont(arialFont(8.25));
    m_lblStatus->setGeometry(Twips::rect(0, 3480, 7095, 255));
    m_lblStatus->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_lblStatus->setAutoFillBackground(true);
    showStatusLineInTheme();
    // Presented as the window's status bar, and named by its text, so that a
    // screen reader hears each change of it.
    AccessibleRole::set(m_lblStatus, QAccessible::StatusBar);
    m_lblStatus->setAccessibleName(ForecastText::spokenValue(m_lblStatus->text()));
}

void frmForecast::showStatusLineInTheme()
{
    // Set explicitly so the window's own background colour, which the
    // colour scheme changes, does not reach the status line.
    const QPalette application = QApplication::palette();
    setRole(m_lblStatus, QPalette::Window, application.color(QPalette::Window));
    setRole(m_lblStatus, QPalette::WindowText, application.color(QPalette::WindowText));
}

void frmForecast::createPopUpMenu()
{
    m_mnuPopUp = new QMenu(QStringLiteral("PopUp"), this);
    m_mnuPopUp->setObjectName(QStringLiteral("mnuPopUp"));
    const auto add = [this](const char* name, const QString& caption, void (frmForecast::*handler)()) {
        QAction* action = m_mnuPopUp->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
    };
    add("mnuForecast", QStringLiteral("Display Ventaro"), &frmForecast::mnuForecast_Click);
    add("mnuGetForecast", QStringLiteral("Get Forecast"), &frmForecast::mnuGetForecast_Click);
    m_mnuPopUp->addSeparator()->setObjectName(QStringLiteral("mnuSep"));
    add("mnuUnload", QStringLiteral("Unload Ventaro"), &frmForecast::mnuUnload_Click);
}

void frmForecast::createRefreshKeys()
{
    // The keys every desktop program refreshes with; they take the path of
    // a click on Get Forecast, so one arriving during a refresh is ignored.
    auto* keys = new QShortcut(this);
    keys->setObjectName(QStringLiteral("refreshKeys"));
    keys->setKeys({QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R)});
    connect(keys, &QShortcut::activated, this, &frmForecast::cmdGetForecast_Click);
}

void frmForecast::connectTray()
{
    // Where the notification area shows an icon's menu itself, a right
    // click never reaches cSysTray_Button; the same menu goes there.
    m_services.tray.setContextMenu(m_mnuPopUp);
    connect(&m_services.tray, &TrayIcons::buttonEvent, this, &frmForecast::cSysTray_Button);
    connect(&m_services.tray, &TrayIcons::showEvent, this, &frmForecast::cSysTray_Show);
}

void frmForecast::connectSession()
{
    ForecastSession& session = m_services.session;
    connect(&session, &ForecastSession::statusChanged, this, &frmForecast::setStatus);
    connect(&session, &ForecastSession::statusTipChanged, this,
            [this](const QString& tip) { m_lblStatus->setToolTip(WindowServices::plainToolTip(tip, 2000)); });
    connect(&session, &ForecastSession::conditionsShown, this, &frmForecast::showConditions);
    connect(&session, &ForecastSession::conditionsUnavailable, this, &frmForecast::showUnavailable);
    connect(&session, &ForecastSession::forecastReady, this, &frmForecast::showForecast);
    // Outside text throughout, the service's and the page's.
    connect(&session, &ForecastSession::cityTipChanged, this, [this](const QString& tip, qsizetype length) {
        m_lblCity->setToolTip(WindowServices::plainToolTip(tip, length));
    });
    connect(&session, &ForecastSession::traySkyChanged, this, &frmForecast::UpdateTrayIcon);
    connect(&session, &ForecastSession::warningChanged, this,
            [this](const QString& line) { m_trayView.showWarning(!line.isEmpty()); });
    connect(&session, &ForecastSession::alertLinesChanged, this,
            [this](const QStringList& lines) { m_trayView.showAlertLines(lines); });
    connect(&session, &ForecastSession::refreshFinished, this, &frmForecast::refreshFinished);
}

void frmForecast::Form_Load()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const QSizeF screenTwips = screen ? QSizeF(Twips::fromPixels(screen->geometry().width()),
                                               Twips::fromPixels(screen->geometry().height()))
                                      : QSizeF();
    const StoreCheck check = InitializeSettings(
        m_services.store, screenTwips, QSizeF(designWidth + frameWidth, compactOuterHeight),
        FirstStart::appVersionText(VENTARO_VERSION_MAJOR, VENTARO_VERSION_MINOR, VENTARO_VERSION_PATCH));
    // A damaged or unreadable store is told where the user looks for the
    // program's state; the status text itself stays the specified one.
    m_services.session.setStoreNotice(FirstStart::notice(check));
    m_services.session.load();
    ApplyColorScheme();
    placeAtStoredPosition();
    applyTrayRule();

    m_cmdGetForecast->setFocus();
    show();
}

void frmForecast::placeAtStoredPosition()
{
    const double top = m_settings.number(SettingsKeys::Top);
    const double left = m_settings.number(SettingsKeys::Left);

    // A position that leaves part of the window off every screen (one
    // stored at another scale or on a screen since removed, a hand-edited
    // value) would hide its controls or make it unreachable; the window
    // goes the least distance that shows it whole. The stored value itself
    // is kept until the program ends from here.
    const QRect outer(Twips::point(left, top), Twips::size(designWidth + frameWidth, compactOuterHeight));
    move(WindowServices::placeOnScreens(outer, WindowServices::screenAreas()));
}

void frmForecast::setStatus(const QString& text)
{
    m_lblStatus->setText(text);
    m_lblStatus->setAccessibleName(ForecastText::spokenValue(text));
    Q_EMIT statusShown(text);
}

void frmForecast::ApplyColorScheme()
{
    // Each property reads its key afresh, as the store may change between
    // any two reads; system colour references resolve through the
    // application's palette, not the widget's own, which this repaints.
    //
    // Text goes through SystemColors::textColor: the first-start scheme pairs
    // the theme's text colour with fixed pale backgrounds, which a dark
    // theme would make light on light. The headings are transparent, so
    // their background is the window's, read last; they take their colour
    // once it is known.
    const QPalette system = QApplication::palette();
    const auto read = [this](const QString& key) { return m_settings.colour(key); };

    std::array<qint32, 8> headings{};
    for (qint32& heading : headings)
        heading = read(SettingsKeys::LabelForeColor);
    for (QLabel* value : {m_lblCity, m_lblWind, m_lblConditions, m_lblVisibility, m_lblTemp, m_lblDew,
                          m_lblHumidity, m_lblPressure}) {
        const qint32 text = read(SettingsKeys::ConditionsForeColor);
        const qint32 back = read(SettingsKeys::ConditionsBackColor);
        setRole(value, QPalette::WindowText, SystemColors::textColor(text, back, system));
        setRole(value, QPalette::Window, SystemColors::toColor(back, system));
    }
    const qint32 forecastText = read(SettingsKeys::ForecastForeColor);
    const qint32 forecastBack = read(SettingsKeys::ForecastBackColor);
    setRole(m_Text3, QPalette::Text, SystemColors::textColor(forecastText, forecastBack, system));
    setRole(m_Text3, QPalette::Base, SystemColors::toColor(forecastBack, system));
    const qint32 window = read(SettingsKeys::BackBackColor);
    setRole(this, QPalette::Window, SystemColors::toColor(window, system));
    for (size_t index = 0; index < headings.size(); ++index)
        setRole(m_lblMain[index], QPalette::WindowText,
                SystemColors::textColor(headings[index], window, system));
}

void frmForecast::showMainWindow()
{
    if (!m_ending)
        show();
}

void frmForecast::cmdGetForecast_Click()
{
    if (!m_ending)
        m_services.session.refresh();
}

void frmForecast::showConditions(const ConditionsReading& reading)
{
    const Conditions& values = reading.values;
    m_lblCity->setText(QLatin1Char(' ') + ForecastText::shownValue(values.location));
    m_lblTemp->setText(QLatin1Char(' ') + ForecastText::shownValue(values.temperature));
    m_lblHumidity->setText(QLatin1Char(' ') + ForecastText::shownValue(values.humidity));
    m_lblDew->setText(QLatin1Char(' ') + ForecastText::shownValue(values.dewPoint));
    m_lblPressure->setText(QLatin1Char(' ') + ForecastText::shownValue(values.pressure));
    m_lblWind->setText(QLatin1Char(' ') + ForecastText::shownValue(values.wind));
    m_lblVisibility->setText(QLatin1Char(' ') + ForecastText::shownValue(values.visibility));
    m_lblConditions->setText(QLatin1Char(' ') + ForecastText::shownValue(values.sky));
    m_lblTemp->setToolTip(WindowServices::plainToolTip(reading.feelsLike));
    m_lblConditions->setToolTip(WindowServices::plainToolTip(reading.skyRemarks));
    nameValuesByText();
}

void frmForecast::showUnavailable()
{
    m_lblCity->setText(WeatherTexts::unavailable);
    for (QLabel* label :
         {m_lblTemp, m_lblHumidity, m_lblDew, m_lblPressure, m_lblWind, m_lblConditions, m_lblVisibility})
        label->clear();
    m_lblTemp->setToolTip(QString());
    m_lblConditions->setToolTip(QString());
    nameValuesByText();
    ++m_fill;
    m_Text3->clear();
    m_Text3->setToolTip(QString());
    m_shownForecast.clear();
}

void frmForecast::nameValuesByText()
{
    for (QLabel* label : {m_lblCity, m_lblWind, m_lblConditions, m_lblVisibility, m_lblTemp, m_lblDew,
                          m_lblHumidity, m_lblPressure})
        label->setAccessibleName(ForecastText::spokenValue(label->text()));
}

void frmForecast::showForecast(const QString& forecast, const QStringList& pieces, const QString& origin)
{
    m_Text3->setToolTip(WindowServices::plainToolTip(origin));
    // Forecasts change a few times a day and the timer refreshes far more
    // often; filling the box again would only throw the reader back to the
    // first line.
    if (forecast == m_shownForecast && !forecast.isEmpty()) {
        m_services.session.forecastShown();
        return;
    }
    m_shownForecast.clear();
    m_forecastFilling = forecast;
    m_forecastPieces = pieces;
    // The first piece replaces the box's text, leaving the box's own cursor
    // at the start; the rest goes in after it, so that cursor never moves.
    // Moving it back from the end afterwards would lay out every line of
    // the forecast on the way.
    m_Text3->setPlainText(pieces.value(0));
    m_nextPiece = 1;
    fillForecastBox(++m_fill);
}

void frmForecast::fillForecastBox(quint64 fill)
{
    // Laying out a text box costs per line; a large forecast goes in by
    // pieces of bounded lines, a few at a time (a few milliseconds' work),
    // and the window answers in between.
    constexpr qsizetype piecesAtATime = 4;
    if (fill != m_fill || m_ending)
        return;
    const qsizetype until = std::min(m_nextPiece + piecesAtATime, m_forecastPieces.size());
    QTextCursor cursor(m_Text3->document());
    while (m_nextPiece < until) {
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(m_forecastPieces[m_nextPiece++]);
    }
    if (m_nextPiece < m_forecastPieces.size()) {
        QTimer::singleShot(0, this, [this, fill] { fillForecastBox(fill); });
        return;
    }
    m_shownForecast = m_forecastFilling;
    m_forecastFilling.clear();
    m_forecastPieces.clear();
    m_services.session.forecastShown();
}

void frmForecast::UpdateTrayIcon(const ForecastSession::TraySky& sky)
{
    // Setting a window icon hands the window system every size of it anew,
    // drawings rendered again; a refresh mostly keeps the sky.
    const QIcon icon = m_trayView.showSky(sky);
    if (!icon.isNull() && windowIcon().cacheKey() != icon.cacheKey())
        setWindowIcon(icon);
}

void frmForecast::cmdExtended_Click()
{
    const ViewLayout& view = m_cmdExtended->text() == QLatin1String(">>>") ? extendedView : compactView;
    moveTop(m_Text3, view.text3);
    // Out of sight in the compact view, the box is also out of reach: the
    // Tab key would otherwise put the focus where nobody can see it, a
    // screen reader would read a box the window does not show, and each
    // new forecast would be laid out for nothing.
    m_Text3->setVisible(&view == &extendedView);
    moveTop(m_cmdExit, view.cmdExit);
    moveTop(m_cmdSettings, view.cmdSettings);
    moveTop(m_cmdGetForecast, view.cmdGetForecast);
    moveTop(m_cmdSat, view.cmdSat);
    moveTop(m_cmdExtended, view.cmdExtended);
    setClientHeightForOuter(view.outerHeight);
    m_cmdExtended->setText(QString::fromLatin1(view.caption));
    moveTop(m_lblStatus, view.lblStatus);
}

void frmForecast::setClientHeightForOuter(int outerTwips)
{
    setFixedSize(Twips::size(designWidth, outerTwips - frameHeight));
}

void frmForecast::cmdSat_Click()
{
    hide();
    // One viewer at a time: a second click (the main window brought back
    // through the tray meanwhile) brings the open one to the front.
    if (m_browser) {
        WindowServices::bringToFront(m_browser);
        return;
    }
    SettingsStore& store = m_services.store;
    auto* browser = new frmBrowser([&store] { return Settings(store).get(SettingsKeys::Region); },
                                   m_services.network, m_services.satellitePicture);
    connect(browser, &frmBrowser::closed, this, &frmForecast::showMainWindow);
    m_browser = browser;
    browser->Form_Load();
}

void frmForecast::cmdSettings_Click()
{
    hide();
    if (m_settingsDialog) {
        WindowServices::bringToFront(m_settingsDialog);
        return;
    }
    auto* settings = new frmSettings(m_services.store, m_services.colorDialog);
    connect(settings, &frmSettings::applied, this, &frmForecast::ApplyColorScheme);
    connect(settings, &frmSettings::closing, this, &frmForecast::settingsClosed);
    m_settingsDialog = settings;
    settings->show();
}

void frmForecast::settingsClosed(const SettingsOnClose& values)
{
    showMainWindow();
    m_services.session.useSettings(values.stationCode, values.stateCode, values.updateMinutes);
    applyTrayRule();
}

void frmForecast::cmdExit_Click()
{
    if (!m_settings.trayUseOn())
        m_exitRequested = true;
    close();
}

void frmForecast::mnuUnload_Click()
{
    m_exitRequested = true;
    close();
}

void frmForecast::mnuForecast_Click()
{
    showMainWindow();
}

void frmForecast::mnuGetForecast_Click()
{
    cmdGetForecast_Click();
}

void frmForecast::cSysTray_Button(int, int button, int)
{
    // A tray that reports the right button may have opened the same menu
    // as the icon's context menu just before (XEmbed trays do); it opens
    // once.
    if (button == TrayIcons::rightButton && !m_mnuPopUp->isVisible())
        m_mnuPopUp->popup(QCursor::pos());
}

void frmForecast::cSysTray_Show(int)
{
    showMainWindow();
}

void frmForecast::applyTrayRule()
{
    applyStartupTrayRule(m_settings, m_services.tray);
}

bool frmForecast::hidesOnClose() const
{
    // Without a notification area a hidden window could never come back,
    // so closing ends the program as with tray use off.
    return !m_exitRequested && m_settings.trayUseOn() && m_services.tray.trayAvailable();
}

void frmForecast::saveWindowPosition()
{
    // A Wayland compositor places windows itself and tells no program where
    // they are: what Qt reports there is no position, and writing it would
    // throw away the one the user left under X11.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return;
    m_settings.save(SettingsKeys::Left, NumberForm::numberToText(Twips::fromPixels(x())));
    m_settings.save(SettingsKeys::Top, NumberForm::numberToText(Twips::fromPixels(y())));
}

void frmForecast::closeOtherWindows()
{
    delete m_browser.data();
    delete m_settingsDialog.data();
}

bool frmForecast::event(QEvent* event)
{
    // A deferred delete ends with the window gone: nothing of it may be
    // looked at afterwards.
    if (event->type() == QEvent::DeferredDelete)
        return QWidget::event(event);
    const bool handled = QWidget::event(event);
    // The desktop's theme changed while the program runs (to a dark one, or
    // back): what is drawn against the theme's colours is chosen again.
    if (event->type() == QEvent::ApplicationPaletteChange) {
        showStatusLineInTheme();
        showWordPictures();
        ApplyColorScheme();
    }
    return handled;
}

void frmForecast::closeEvent(QCloseEvent* event)
{
    if (m_ending) {
        event->accept();
        return;
    }
    if (hidesOnClose()) {
        hide();
        event->ignore();
        return;
    }
    saveWindowPosition();
    m_ending = true;
    m_services.session.stop();
    closeOtherWindows();
    ++m_fill;
    event->accept();
    Q_EMIT programEnding();
}
