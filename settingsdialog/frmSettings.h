#pragma once

#include <QPalette>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>
#include <array>
#include <vector>

#include "settings/Settings.h"

class ColorDialog;

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QCompleter;
class QFrame;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class StationFilter;

// What the program takes from the store when the settings dialog closes,
// whether or not anything was saved.
struct SettingsOnClose
{
    QString stationCode; // the first three characters of CityCode
    QString stateCode;   // State, as stored
    qint16 updateMinutes = 0;
};

// The settings dialog: a non-modal tool window in which the user picks the
// station, the refresh interval, the satellite region, the tray use, the
// six colours of the main window, whether weather alerts are notified and
// whether the tray shows the temperature.
//
// Building it loads every control from the store (Form_Load). The controls
// are a working copy: Apply (or OK) writes them to the store, each key by its
// own write, and reports applied() so the main window repaints. Whatever
// closes the dialog (OK, Cancel, Escape, the close box) reports closing()
// with what the store holds then. A save that fails is shown to the user
// and keeps the dialog open on OK. The dialog deletes itself when closed,
// so each opening is built anew.
//
// The references must outlive the dialog.
class frmSettings final : public QWidget
{
    Q_OBJECT
public:
    frmSettings(SettingsStore& store, ColorDialog& colorDialog, QWidget* parent = nullptr);
    ~frmSettings() override;

Q_SIGNALS:
    // Apply (or OK) has written the store.
    void applied();
    // The dialog is closing, in whatever way.
    void closing(const SettingsOnClose& values);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One colour of one preview element, with the value as the store keeps
    // it: a system colour reference must go back to the store unchanged, so
    // the palette colour it resolves to is never read back.
    struct Preview
    {
        QString key;
        QWidget* widget = nullptr;
        QPalette::ColorRole role = QPalette::NoRole;
        qint32 value = 0;
        // For a text colour, the preview whose colour is behind the text.
        int background = -1;
    };

    // A control placed relative to the tab control while living on a tab
    // page, which starts below the tab strip.
    struct TabPlacement
    {
        QWidget* widget;
        QRect design;
    };

    void createTabControl();
    void createGeneralTab(QWidget* page);
    void createColorsTab(QWidget* page);
    void createAboutTab(QWidget* page);
    void createButtons();
    void createStationSearch();
    void offerStations(const QString& typed);
    void stationChosen(const QModelIndex& suggestion);
    void placeOnTab(QWidget* widget, const QRect& design);
    void placeTabControls();
    void loadLogo();
    void setPreview(int index, qint32 value);
    void pickColour(int index);

    void Form_Load();
    bool saveToStore();
    bool applyAndReport();
    void showWriteFailure();
    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void Command1_Click();
    void cmdForeColor_Click();
    void cmdBack_Click();
    void Command4_Click();
    void Command3_Click();
    void Command6_Click();
    void cmdDefault_Click();
    void Form_Unload();

    Settings m_settings;
    ColorDialog& m_colorDialog;

    QTabWidget* m_SSTab1 = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCancel = nullptr;
    QPushButton* m_cmdApply = nullptr;

    QComboBox* m_cmbCity = nullptr;
    StationFilter* m_stationFilter = nullptr;
    QCompleter* m_stationSearch = nullptr;
    QLineEdit* m_txtUpdate = nullptr;
    QRadioButton* m_optE = nullptr;
    QRadioButton* m_optW = nullptr;
    QRadioButton* m_optUS = nullptr;
    QRadioButton* m_optYes = nullptr;
    QRadioButton* m_OptNo = nullptr;
    // Not a designed control: whether weather alerts are notified.
    QCheckBox* m_chkAlerts = nullptr;
    // Not a designed control either: whether the tray shows the temperature.
    QCheckBox* m_chkTrayTemperature = nullptr;

    QFrame* m_Pic = nullptr;
    QLabel* m_lblGen = nullptr;
    QLabel* m_lblLabel = nullptr;
    QPlainTextEdit* m_txtForecast = nullptr;

    QLabel* m_Picture2 = nullptr;
    QLabel* m_lblVersion = nullptr;

    QButtonGroup* m_regionGroup = nullptr;
    QButtonGroup* m_trayGroup = nullptr;
    QWidget* m_tabStack = nullptr;
    std::vector<TabPlacement> m_tabPlacements;
    std::array<Preview, 6> m_previews;
    // What the store said of the alert notifications when last read or
    // written.
    bool m_alertsLoaded = true;
    // The same of the temperature in the tray.
    bool m_trayTemperatureLoaded = false;
    bool m_centred = false;
    QPointer<QWidget> m_writeFailure;
};
