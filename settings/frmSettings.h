#pragma once

#include <QPalette>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>
#include <array>
#include <vector>

#include "Settings.h"

class ColorDialog;
class MainWindowHooks;
class TrayIcons;
struct ModuleState;

class QButtonGroup;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

// The settings dialog: a non-modal tool window in which the user picks the
// station, the refresh interval, the satellite region, the tray use and the
// six colours of the main window.
//
// Building it loads every control from the store (Form_Load). The controls
// are a working copy: Apply (or OK) writes them to the store, each key by its
// own write, and has the main window repaint. Whatever closes the dialog (OK,
// Cancel, the close box) shows the main window again, reloads the station
// code, the state code and the refresh interval from the store into the
// module variables and re-runs the start-up tray rule. The dialog deletes
// itself when closed, so each opening is built anew.
//
// The references must outlive the dialog.
class frmSettings final : public QWidget
{
    Q_OBJECT
public:
    frmSettings(SettingsStore& store, ColorDialog& colorDialog, TrayIcons& tray, ModuleState& state,
                MainWindowHooks& hooks, QWidget* parent = nullptr);
    ~frmSettings() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
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
    TrayIcons& m_tray;
    ModuleState& m_state;
    MainWindowHooks& m_hooks;

    QTabWidget* SSTab1 = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdApply = nullptr;

    QComboBox* cmbCity = nullptr;
    QLineEdit* txtUpdate = nullptr;
    QRadioButton* optE = nullptr;
    QRadioButton* optW = nullptr;
    QRadioButton* optUS = nullptr;
    QRadioButton* optYes = nullptr;
    QRadioButton* OptNo = nullptr;

    QFrame* Pic = nullptr;
    QLabel* lblGen = nullptr;
    QLabel* lblLabel = nullptr;
    QPlainTextEdit* txtForecast = nullptr;

    QLabel* Picture2 = nullptr;
    QLabel* lblVersion = nullptr;

    QButtonGroup* m_regionGroup = nullptr;
    QButtonGroup* m_trayGroup = nullptr;
    QWidget* m_tabStack = nullptr;
    std::vector<TabPlacement> m_tabPlacements;
    std::array<Preview, 6> m_previews;
    bool m_centred = false;
    QPointer<QWidget> m_writeFailure;
};
