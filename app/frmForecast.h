#pragma once

#include "AlertWatch.h"
#include "settings/Settings.h"
#include "weather/ObservationTime.h"
#include "weather/SkyClasses.h"
#include "weather/WeatherAlert.h"

#include <QDateTime>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class Clock;
class ColorDialog;
class Network;
class Notifier;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class Refresh;
class RefreshPolicy;
class SessionEvents;
class TrayIcons;
class WeatherSource;
struct ConditionsReading;
struct SettingsOnClose;

// The main window: the eight observed values, the forecast box, the status
// line, the refresh command and its timer, the two views, the hand-over to
// the satellite viewer and the settings dialog, and the tray menu.
//
// It lives from start to exit; closing it either hides it (tray use on) or
// ends the program. It owns the program's running state (station, state,
// interval, minute count, quit request); everything else is lent to it and
// must outlive it.
class frmForecast final : public QWidget
{
    Q_OBJECT
public:
    struct Services
    {
        SettingsStore& store;
        WeatherSource& weather;
        // The satellite viewer's pictures come through it.
        Network& network;
        TrayIcons& tray;
        ColorDialog& colorDialog;
        // Tells of new weather alerts.
        Notifier& notifier;
        // The address of a satellite picture by its path ("/GIFS/ECIR.JPG").
        std::function<QUrl(const QString&)> satellitePicture;
        // Waking from suspend and the network coming back; none: not told.
        SessionEvents* session = nullptr;
        // The wall and monotonic clocks; none: the system's.
        Clock* clock = nullptr;
    };

    static constexpr std::chrono::milliseconds minute{60000};

    explicit frmForecast(Services services, std::chrono::milliseconds tickInterval = minute);
    ~frmForecast() override;

    // The start-up: first-start values, running state, timer, colours,
    // position and tray. Fetches nothing.
    void Form_Load();

    // Repaints the window from the colour keys in the store.
    void ApplyColorScheme();
    // Makes the window visible again, unless the program is ending.
    void showMainWindow();
    // The program is on its way out: the window does not come back.
    bool ending() const { return m_ending; }

    // Ends the program as the tray menu's "Unload Ventaro" does; used for
    // logout, shutdown and termination signals too.
    void mnuUnload_Click();

    // The refresh and the timer tick; the refresh is also run by the tray
    // menu, the timer and the keys F5 and Ctrl+R.
    void cmdGetForecast_Click();
    void Timer1_Timer();

    // The weather alerts in effect for the station's zone, as a refresh
    // found them (all of them, new or not), prepared for the watch. What
    // the watch tells of is notified, unless the user turned that off:
    // each new one, an update of one already notified only when more
    // severe, within the watch's bounds. Those in effect head the
    // location's tooltip and the tray icons' tooltips, one line each
    // ("Winter Storm Warning until 6 PM MST Tue"), until they end.
    void showAlerts(const AlertWatch::Prepared& alerts);

    // From the click that starts a refresh to the forecast in its box.
    bool refreshRunning() const { return m_refreshing; }

    QString stationCode() const { return m_stationCode; }
    QString stateCode() const { return m_stateCode; }
    qint16 updateMinutes() const;
    qint16 minuteCount() const;
    bool exitRequested() const { return m_exitRequested; }

    // The designed client size and the outer sizes of the two views, in twips.
    static constexpr int designWidth = 7230;
    static constexpr int designHeight = 3750;
    static constexpr int compactOuterHeight = 4065;
    static constexpr int extendedOuterHeight = 5700;
    // What the caption bar and frame add to the client area; the outer
    // heights above include it.
    static constexpr int frameHeight = compactOuterHeight - designHeight;
    static constexpr int frameWidth = 120;

Q_SIGNALS:
    // Each text the status line shows, as it is shown.
    void statusShown(const QString& text);
    // A refresh has ended: its values and forecast are on show.
    void refreshFinished();
    // The program has been asked to end and the window has closed for good.
    void programEnding();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createValueLabels();
    void createButtons();
    void createForecastBox();
    void createStatusLine();
    void showStatusLineInTheme();
    void showWordPictures();
    void createPopUpMenu();
    void connectTray();
    void connectRefresh();
    void createRefreshKeys();
    QLabel* createHeading(int index, const QString& text, int left, int top, int width);
    QLabel* createValue(const char* name, const QString& heading, int left, int top, int width);
    QPushButton* createPictureButton(const char* name, const QString& picture, const QString& words,
                                     const QString& toolTip, QRect twips, QSize pictureSize);

    void cmdExtended_Click();
    void cmdSat_Click();
    void cmdSettings_Click();
    void cmdExit_Click();
    void cSysTray_Button(int index, int button, int unused);
    void cSysTray_Show(int index);
    void mnuForecast_Click();
    void mnuGetForecast_Click();

    void setStatus(const QString& text);
    void showConditions(const ConditionsReading& reading);
    void showUnavailable(const QString& reason);
    void nameValuesByText();
    // Shows the icons of the sky classes (read with the page) and the
    // sky conditions as their tooltip.
    void UpdateTrayIcon(const QString& sky, const SkyClasses::Choice& choice);
    void showForecast(const QString& forecast, const QStringList& pieces, const QString& origin);
    void showHeld(const QString& reason, const QDateTime& until);
    void showStatusTip();
    void fillForecastBox(quint64 fill);
    void endRefresh(bool conditionsCame);
    void showObservationTime();
    void showAlertLines();
    void showCityToolTip();
    void showTrayTips();
    QDateTime now() const;
    void settingsClosed(const SettingsOnClose& values);
    void applyTrayRule();
    void placeAtStoredPosition();
    void saveWindowPosition();
    void setClientHeightForOuter(int outerTwips);
    bool hidesOnClose() const;
    void closeOtherWindows();

    Services m_services;
    Settings m_settings;
    // The system's clocks, when none came with the services.
    std::unique_ptr<Clock> m_systemClock;
    Clock& m_clock;
    Refresh* m_refresh = nullptr;
    // When the window refreshes by itself; it holds the interval and the
    // minute count.
    RefreshPolicy* m_policy = nullptr;
    // Set while the policy starts a refresh, rather than the user.
    bool m_byPolicy = false;
    // The refresh under way has shown its conditions.
    bool m_conditionsCame = false;

    std::array<QLabel*, 8> m_lblMain{};
    QLabel* m_lblCity = nullptr;
    QLabel* m_lblWind = nullptr;
    QLabel* m_lblConditions = nullptr;
    QLabel* m_lblVisibility = nullptr;
    QLabel* m_lblTemp = nullptr;
    QLabel* m_lblDew = nullptr;
    QLabel* m_lblHumidity = nullptr;
    QLabel* m_lblPressure = nullptr;
    QPushButton* m_cmdGetForecast = nullptr;
    QPushButton* m_cmdSat = nullptr;
    QPushButton* m_cmdSettings = nullptr;
    QPushButton* m_cmdExtended = nullptr;
    QPushButton* m_cmdExit = nullptr;
    QLabel* m_lblStatus = nullptr;
    QPlainTextEdit* m_Text3 = nullptr;
    QTimer* m_Timer1 = nullptr;
    QMenu* m_mnuPopUp = nullptr;

    // The running state, loaded at start-up and when the settings dialog
    // closes.
    QString m_stationCode;
    QString m_stateCode;
    bool m_exitRequested = false;

    // The forecast the box holds in full, so that a refresh bringing the
    // same text leaves the reader's place in it alone.
    QString m_shownForecast;
    // The forecast going into the box, piece by piece, and which filling
    // that is, so that a step left over from an earlier one does nothing.
    QStringList m_forecastPieces;
    QString m_forecastFilling;
    qsizetype m_nextPiece = 0;
    quint64 m_fill = 0;

    // What the status line's tooltip tells: a store that could not be read
    // whole, a pause the weather service asked for.
    QString m_storeNotice;
    QString m_pauseNotice;

    // When the shown observation was made, and which station made it when
    // not the entry's own, for the location's tooltip.
    std::optional<ObservationTime::Observed> m_observed;
    QString m_observedAt;
    // The location's tooltip below the alerts, as plain text: when and
    // where the values were observed, or why there are none.
    QString m_cityTip;
    // Each tray instance's tooltip below the alerts: the sky conditions,
    // or its designed text until it first shows them.
    QStringList m_trayTips;
    AlertWatch m_alertWatch;
    // The lines of the alerts in effect, as shown.
    QStringList m_alertLines;

    bool m_refreshing = false;
    bool m_ending = false;
    QPointer<QWidget> m_browser;
    QPointer<QWidget> m_settingsDialog;
};
