#pragma once

#include "PageViewer.h"

#include <QString>
#include <QUrl>
#include <QWidget>
#include <functional>

class Network;
class PictureViewer;
class QCloseEvent;
class QPushButton;
class QRadioButton;
class QResizeEvent;
class QTimer;

// The satellite picture window: one picture of the configured region at a
// time, by channel (water vapour, infrared, visible).
//
// The region is read at every use, never cached;
// only "East", "West" and "US" select pictures, and any other text starts
// no load. The caption shows "Working..." while a picture loads and
// "Satalite Image for <region> Region" once the viewer is idle.
//
// The window deletes itself when closed and emits closed() on every close,
// by the exit button, Escape or the close box alike; the opener connects
// that to bringing its own window back.
class frmBrowser : public QWidget
{
    Q_OBJECT

public:
    // `readRegion` reads the Region setting as stored, each time it is
    // called. The pictures come through `network`, which must outlive the
    // window, from the address `pictureAddress` gives for each path
    // ("/GIFS/WCWV.JPG").
    frmBrowser(std::function<QString()> readRegion, Network& network,
               std::function<QUrl(const QString&)> pictureAddress, QWidget* parent = nullptr);
    ~frmBrowser() override;

    // Opens the window: shows it centred on the screen, fitted into it
    // when the screen is smaller than the window, lays it out and starts
    // loading the water-vapour picture of the configured region.
    // Call once, instead of show().
    void Form_Load();

signals:
    void closed();

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Request
    {
        Opening,
        Infrared,
        Visible,
        WaterVapour
    };

    void createBrowser(Network& network);
    void createExitButton();
    void showExitPicture();
    void createChannelButtons();
    void createTimer();
    QRadioButton* createChannelButton(const QString& name, const QString& caption, const QRect& geometry);

    void cmdExit_Click();
    void optIR_Click();
    void optVI_Click();
    void optWV_Click();
    void timTimer_Timer();
    void brwWebBrowser_DownloadComplete();
    void Form_Resize();
    void Form_Unload();

    void selectChannel(Request request);
    void navigateForRegion(Request request);
    QString region() const;
    QString titleText() const;
    PageViewer& viewer();

    std::function<QString()> m_readRegion;
    std::function<QUrl(const QString&)> m_pictureAddress;

    PictureViewer* m_brwWebBrowser = nullptr;
    QPushButton* m_cmdExit = nullptr;
    QRadioButton* m_optWV = nullptr;
    QRadioButton* m_optIR = nullptr;
    QRadioButton* m_optVI = nullptr;
    QTimer* m_timTimer = nullptr;
    // Fitted again once the window system told the frame around it.
    bool m_fittedInFrame = false;
};
