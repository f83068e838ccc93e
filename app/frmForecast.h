#pragma once

#include "ForecastSession.h"
#include "TrayView.h"
#include "settings/Settings.h"
#include "weather/SkyClasses.h"

#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <array>
#include <functional>

class ColorDialog;
class Network;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class TrayIcons;
struct ConditionsReading;
struct SettingsOnClose;

// The main window: the eight observed values, the forecast box, the status
// line, the two views, the hand-over to the satellite viewer and the
// settings dialog, and the tray icons and menu. It shows what its
// ForecastSession decides: the refresh, its timer and what each part says
// are the session's; the window keeps the widgets, their places in twips,
// their colours, the filling of the forecast box and its own life.
//
// It lives from start to exit; closing it either hides it (tray use on) or
// ends the program. Everything it is given is lent to it and must outlive
// it.
class frmForecast final : public QWidget
{
    Q_OBJECT
public:
    struct Services
    {
        SettingsStore& store;
        ForecastSession& session;
        // The satellite viewer's pictures come through it.
        Network& network;
        TrayIcons& tray;
        ColorDialog& colorDialog;
        // The address of a satellite picture by its path ("/GIFS/ECIR.JPG").
        std::function<QUrl(const QString&)> satellitePicture;
    };

    explicit frmForecast(Services services);
    ~frmForecast() override;

    // The start-up: first-start values, the session's running state,
    // colours, position and tray. Fetches nothing.
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

    // The refresh; also run by the tray menu and the keys F5 and Ctrl+R.
    void cmdGetForecast_Click();

    ForecastSession& session() const { return m_services.session; }
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
    void connectSession();
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
    void showUnavailable();
    void nameValuesByText();
    // Shows the icons of the sky classes (read with the page) and the
    // sky conditions as their tooltip; with a temperature, one icon of it
    // with the first class's picture beside it (see TrayView).
    void UpdateTrayIcon(const ForecastSession::TraySky& sky);
    void showForecast(const QString& forecast, const QStringList& pieces, const QString& origin);
    void fillForecastBox(quint64 fill);
    void settingsClosed(const SettingsOnClose& values);
    void applyTrayRule();
    void placeAtStoredPosition();
    void saveWindowPosition();
    void setClientHeightForOuter(int outerTwips);
    bool hidesOnClose() const;
    void closeOtherWindows();

    Services m_services;
    Settings m_settings;

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
    QMenu* m_mnuPopUp = nullptr;

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

    TrayView m_trayView;

    bool m_ending = false;
    QPointer<QWidget> m_browser;
    QPointer<QWidget> m_settingsDialog;
};
