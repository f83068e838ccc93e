#include "frmBrowser.h"

#include "PictureViewer.h"
#include "resources/ResourcePaths.h"
#include "resources/Resources.h"
#include "shell/SystemColors.h"
#include "shell/Twips.h"
#include "shell/WindowServices.h"

#include <QCloseEvent>
#include <QFont>
#include <QIcon>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <array>

namespace {

constexpr int designWidth = 10395;
constexpr int designHeight = 8460;

constexpr Twips::Box browserDesign{0, 120, 10320, 7200};
constexpr Twips::Box exitDesign{120, 8040, 10215, 375};
constexpr Twips::Box waterVapourDesign{240, 7560, 1935, 255};
constexpr Twips::Box infraredDesign{2400, 7560, 1935, 255};
constexpr Twips::Box visibleDesign{4440, 7560, 1935, 255};
constexpr int exitPictureWidth = 735;
constexpr int exitPictureHeight = 360;

// What the resize rule keeps free around the picture and the bottom row.
constexpr int browserWidthMargin = 15;
constexpr int browserHeightMargin = 1200;
constexpr int exitTopMargin = 450;
constexpr int exitWidthMargin = 225;
constexpr int optionTopMargin = 900;

constexpr int timerIntervalMs = 5;

// One row per region, one column per request, in the order of
// frmBrowser::Request. Opening asks for the ".JPG" of the water-vapour
// picture, the water-vapour button for its ".GIF".
struct PictureRow
{
    const char* region;
    std::array<const char*, 4> paths;
};

constexpr std::array<PictureRow, 3> pictureTable{{
    {"East", {"/GIFS/ECWV.JPG", "/GIFS/ECIR.JPG", "/GIFS/ECVS.JPG", "/GIFS/ECWV.GIF"}},
    {"West", {"/GIFS/WCWV.JPG", "/GIFS/WCIR.JPG", "/GIFS/WCVS.JPG", "/GIFS/WCWV.GIF"}},
    {"US", {"/GIFS/NHWV.JPG", "/GIFS/NHIR.JPG", "/GIFS/NHVS.JPG", "/GIFS/NHWV.GIF"}},
}};

// A window smaller than the margins would give negative sizes and
// positions; zero keeps the controls out of sight but valid.
int atLeastZero(int twips)
{
    return std::max(0, twips);
}

} // namespace

frmBrowser::frmBrowser(std::function<QString()> readRegion, Network& network,
                       std::function<QUrl(const QString&)> pictureAddress, QWidget* parent)
    : QWidget(parent, Qt::Window), m_readRegion(std::move(readRegion)),
      m_pictureAddress(std::move(pictureAddress))
{
    setObjectName(QStringLiteral("frmBrowser"));
    setAttribute(Qt::WA_DeleteOnClose);
    initVentaroResources();
    setWindowIcon(QIcon(ResourcePaths::satelliteDish));

    createBrowser(network);
    createExitButton();
    createChannelButtons();
    createTimer();

    setTabOrder(m_brwWebBrowser, m_cmdExit);
    setTabOrder(m_cmdExit, m_optWV);
    setTabOrder(m_optWV, m_optIR);
    setTabOrder(m_optIR, m_optVI);

    resize(Twips::size(designWidth, designHeight));
}

frmBrowser::~frmBrowser() = default;

void frmBrowser::createBrowser(Network& network)
{
    m_brwWebBrowser = new PictureViewer(network, this);
    m_brwWebBrowser->setObjectName(QStringLiteral("brwWebBrowser"));
    m_brwWebBrowser->setFocusPolicy(Qt::StrongFocus);
    m_brwWebBrowser->setGeometry(Twips::rect(browserDesign));
    connect(m_brwWebBrowser, &PictureViewer::DownloadComplete, this,
            &frmBrowser::brwWebBrowser_DownloadComplete);
}

void frmBrowser::createExitButton()
{
    m_cmdExit = new QPushButton(this);
    m_cmdExit->setObjectName(QStringLiteral("cmdExit"));
    m_cmdExit->setFont(WindowServices::designFont(QStringLiteral("Arial"), 9));
    showExitPicture();
    m_cmdExit->setIconSize(Twips::size(exitPictureWidth, exitPictureHeight));
    m_cmdExit->setGeometry(Twips::rect(exitDesign));
    connect(m_cmdExit, &QPushButton::clicked, this, &frmBrowser::cmdExit_Click);

    // Escape leaves the window as the exit button does.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setObjectName(QStringLiteral("escapeKey"));
    connect(escape, &QShortcut::activated, this, &frmBrowser::cmdExit_Click);
}

void frmBrowser::showExitPicture()
{
    // The word keeps its navy where that can be read on the button's face,
    // and takes black or white on a face the theme made dark.
    const QColor ink = QColor::fromRgb(ResourcePaths::wordInk);
    const QColor readable = SystemColors::readableOn(ink, m_cmdExit->palette().color(QPalette::Button));
    m_cmdExit->setIcon(buttonPicture(ResourcePaths::exitWord, readable == ink ? QColor() : readable));
}

bool frmBrowser::event(QEvent* event)
{
    // A deferred delete ends with the window gone: nothing of it may be
    // looked at afterwards.
    if (event->type() == QEvent::DeferredDelete)
        return QWidget::event(event);
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::ApplicationPaletteChange)
        showExitPicture();
    // The window system may tell the frame around the window only after the
    // window is shown, and it may then have shrunk a window fitted without
    // it, behind the layout's back (the exit button cut off at the screen's
    // foot at twice the size). The first time the frame is known, the
    // window is fitted again, so the layout follows the size it really has.
    if (!m_fittedInFrame && (event->type() == QEvent::Move || event->type() == QEvent::Resize) &&
        windowHandle() != nullptr && !windowHandle()->frameMargins().isNull()) {
        m_fittedInFrame = true;
        WindowServices::fitOnScreen(this);
        Form_Resize();
    }
    return handled;
}

QRadioButton* frmBrowser::createChannelButton(const QString& name, const QString& caption,
                                              const QRect& geometry)
{
    auto* button = new QRadioButton(caption, this);
    button->setObjectName(name);
    button->setFont(WindowServices::designFont(QStringLiteral("Arial"), 9));
    button->setGeometry(geometry);
    return button;
}

void frmBrowser::createChannelButtons()
{
    // Siblings under one parent, so Qt keeps exactly one of them selected.
    m_optWV = createChannelButton(QStringLiteral("optWV"), QStringLiteral("Water Vapor Image"),
                                  Twips::rect(waterVapourDesign));
    m_optIR = createChannelButton(QStringLiteral("optIR"), QStringLiteral("Infa Red Image"),
                                  Twips::rect(infraredDesign));
    m_optVI = createChannelButton(QStringLiteral("optVI"), QStringLiteral("Visable Image"),
                                  Twips::rect(visibleDesign));
    m_optWV->setChecked(true);

    // clicked() also fires for the button already selected, which reloads
    // its picture: the way to fetch a newer one without reopening.
    connect(m_optWV, &QRadioButton::clicked, this, &frmBrowser::optWV_Click);
    connect(m_optIR, &QRadioButton::clicked, this, &frmBrowser::optIR_Click);
    connect(m_optVI, &QRadioButton::clicked, this, &frmBrowser::optVI_Click);
}

void frmBrowser::createTimer()
{
    m_timTimer = new QTimer(this);
    m_timTimer->setObjectName(QStringLiteral("timTimer"));
    m_timTimer->setInterval(timerIntervalMs);
    connect(m_timTimer, &QTimer::timeout, this, &frmBrowser::timTimer_Timer);
}

void frmBrowser::Form_Load()
{
    // The designed size is larger than a small or scaled-up screen (at
    // twice the size the window is 1386 x 1128 pixels); such a screen gets
    // the window fitted into it, the resize rule laying the controls out
    // for the size it gets. Once shown, the window's frame is known and
    // checked again.
    WindowServices::fitOnScreen(this);
    WindowServices::centreOnScreen(this);
    show();
    WindowServices::fitOnScreen(this);
    Form_Resize();
    m_timTimer->start();
    navigateForRegion(Request::Opening);
}

void frmBrowser::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmBrowser::Form_Resize()
{
    const int width = static_cast<int>(Twips::fromPixels(this->width()));
    const int height = static_cast<int>(Twips::fromPixels(this->height()));

    viewer().setSizeTwips(atLeastZero(width - browserWidthMargin), atLeastZero(height - browserHeightMargin));
    const int exitTop = atLeastZero(height - exitTopMargin);
    const int exitWidth = atLeastZero(width - exitWidthMargin);
    m_cmdExit->setGeometry(Twips::rect({exitDesign.left, exitTop, exitWidth, exitDesign.height}));
    const int optionTop = atLeastZero(height - optionTopMargin);
    m_optWV->setGeometry(
        Twips::rect({waterVapourDesign.left, optionTop, waterVapourDesign.width, waterVapourDesign.height}));
    m_optIR->setGeometry(
        Twips::rect({infraredDesign.left, optionTop, infraredDesign.width, infraredDesign.height}));
    m_optVI->setGeometry(
        Twips::rect({visibleDesign.left, optionTop, visibleDesign.width, visibleDesign.height}));
}

void frmBrowser::cmdExit_Click()
{
    close();
}

void frmBrowser::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

void frmBrowser::Form_Unload()
{
    m_timTimer->stop();
    emit closed();
}

void frmBrowser::optIR_Click()
{
    selectChannel(Request::Infrared);
}
void frmBrowser::optVI_Click()
{
    selectChannel(Request::Visible);
}
void frmBrowser::optWV_Click()
{
    selectChannel(Request::WaterVapour);
}

void frmBrowser::selectChannel(Request request)
{
    m_timTimer->start();
    navigateForRegion(request);
}

void frmBrowser::navigateForRegion(Request request)
{
    // Each region test reads the store again instead of sharing one read,
    // so a region changed in between is honoured at once.
    const auto column = static_cast<std::size_t>(request);
    for (const PictureRow& row : pictureTable) {
        if (region() == QLatin1String(row.region)) {
            const QString path = QLatin1String(row.paths[column]);
            viewer().Navigate(m_pictureAddress(path).toString());
        }
    }
}

void frmBrowser::timTimer_Timer()
{
    if (viewer().Busy()) {
        setWindowTitle(QStringLiteral("Working..."));
        return;
    }
    m_timTimer->stop();
    setWindowTitle(titleText());
}

void frmBrowser::brwWebBrowser_DownloadComplete()
{
    setWindowTitle(titleText());
}

QString frmBrowser::region() const
{
    return m_readRegion();
}

QString frmBrowser::titleText() const
{
    return QStringLiteral("Satalite Image for ") + region() + QStringLiteral(" Region");
}

PageViewer& frmBrowser::viewer()
{
    return *m_brwWebBrowser;
}
