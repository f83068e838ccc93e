#pragma once

#include "MainWindowHooks.h"
#include "ServerHosts.h"
#include "Settings.h"
#include "StatusLine.h"
#include "WeatherService.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <chrono>

class ColorDialog;
class HttpClient;
class QLabel;
class QMenu;
class QAction;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class TrayIcons;
class Yielder;
struct ModuleState;

// The main window: the eight observed values, the forecast box, the status
// line, the refresh command and its timer, the two views, the hand-over to
// the satellite viewer and the settings dialog, and the tray menu.
//
// It lives from start to exit; closing it either hides it (tray use on) or
// ends the program. All collaborators are lent to it and must outlive it.
class frmForecast final : public QWidget, public StatusLine, public MainWindowHooks
{
    Q_OBJECT
public:
    struct Services
    {
        SettingsStore& store;
        HttpClient& http;
        Yielder& yielder;
        TrayIcons& tray;
        ColorDialog& colorDialog;
        ModuleState& state;
        ServerHosts hosts;
    };

    static constexpr std::chrono::milliseconds minute{60000};

    explicit frmForecast(Services services, std::chrono::milliseconds tickInterval = minute);
    ~frmForecast() override;

    // The start-up: first-start values, module variables, timer, colours,
    // position and tray. Fetches nothing.
    void Form_Load();

    // StatusLine
    void setStatus(const QString& text) override;

    // MainWindowHooks
    void ApplyColorScheme() override;
    void showMainWindow() override;

    // Ends the program as the tray menu's "Unload Ventaro" does; used for
    // logout, shutdown and termination signals too.
    void mnuUnload_Click();

    // The refresh and the timer tick; also run by the tray menu and the timer.
    void cmdGetForecast_Click();
    void Timer1_Timer();

    bool refreshRunning() const { return m_refreshing; }

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
    // Emitted when the program has been asked to end and the window has
    // closed for good.
    void programEnding();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createValueLabels();
    void createButtons();
    void createForecastBox();
    void createStatusLine();
    void createPopUpMenu();
    void connectTray();
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

    void UpdateTrayIcon();
    void showForecast(const QString& forecast);
    void applyTrayRule();
    void placeAtStoredPosition();
    void saveWindowPosition();
    void setClientHeightForOuter(int outerTwips);
    bool hidesOnClose() const;
    void closeOtherWindows();

    Services m_services;
    Settings m_settings;
    WeatherService m_weather;

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
    // The forecast the box holds in full, so that a refresh bringing the
    // same text leaves the reader's place in it alone.
    QString m_shownForecast;
    QTimer* m_Timer1 = nullptr;
    QMenu* m_mnuPopUp = nullptr;

    bool m_refreshing = false;
    bool m_ending = false;
    QPointer<QWidget> m_browser;
    QPointer<QWidget> m_settingsDialog;
};
