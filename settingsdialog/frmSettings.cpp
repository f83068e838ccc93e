#include "frmSettings.h"

#include "resources/ResourcePaths.h"
#include "settings/FirstStart.h"
#include "settings/NumberForm.h"
#include "settings/SettingsKeys.h"
#include "settings/StationFilter.h"
#include "settings/StationTable.h"
#include "shell/AccessibleRole.h"
#include "shell/ColorDialog.h"
#include "shell/SystemColors.h"
#include "shell/Twips.h"
#include "shell/WindowServices.h"

#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QFrame>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <algorithm>

namespace {

// Positions and sizes in twips, relative to the container each one names.
using Twips::Box;

// The window's client area, and what stands directly on it.
constexpr int clientWidth = 7710;
constexpr int clientHeight = 4710;
constexpr Box tabControlBox{120, 120, 7455, 3975};
constexpr Box okBox{3960, 4200, 975, 375};
constexpr Box cancelBox{5160, 4200, 975, 375};
constexpr Box applyBox{6360, 4200, 975, 375};

// "General", relative to the tab control.
constexpr Box label1Box{360, 600, 1575, 255};
constexpr Box cityBox{2280, 600, 4815, 360};
constexpr Box label9Box{360, 1080, 1815, 495};
constexpr Box updateBox{2280, 1080, 975, 330};
// Beside the update box, in the tab's one free place wide enough: alerts
// come with the updates.
constexpr Box alertsBox{3480, 1118, 3615, 255};
constexpr Box label13Box{600, 1680, 1455, 495};
// The region options stand in a borderless frame of their own, which
// holds them together for screen readers as Frame3 does Yes and No; their
// places on the tab are the designed ones.
constexpr Box regionOptionsBox{2280, 1680, 4815, 615};
// Relative to the region options' frame.
constexpr Box eastBox{0, 0, 1935, 255};
constexpr Box westBox{2160, 0, 2055, 255};
constexpr Box usBox{0, 360, 1095, 255};
constexpr Box label14Box{600, 2400, 1455, 495};
constexpr Box frame3Box{2280, 2400, 4575, 615};
// Under Yes, between the tray options and the note, as far from each: it
// says what the tray icon shows. Frame3 draws nothing, so the box may
// stand over its empty lower part.
constexpr Box trayTemperatureBox{2280, 2880, 4575, 255};
constexpr Box label10Box{1440, 3240, 495, 255};
constexpr Box label11Box{2160, 3240, 4695, 615};
// Relative to Frame3.
constexpr Box yesBox{0, 120, 1935, 255};
constexpr Box noBox{2160, 120, 1935, 255};

// "Colors": Pic relative to the tab control, the rest relative to Pic.
constexpr Box picBox{240, 480, 6975, 3375};
constexpr Box lblGenBox{360, 240, 2175, 300};
constexpr Box command1Box{3000, 240, 1935, 255};
constexpr Box foreColorBox{3000, 840, 1935, 255};
constexpr Box lblLabelBox{360, 960, 2175, 300};
constexpr Box backBox{3000, 1080, 1935, 255};
constexpr Box forecastBox{360, 1560, 2175, 615};
constexpr Box command4Box{3000, 1560, 1935, 255};
constexpr Box command3Box{3000, 1800, 1935, 255};
constexpr Box command6Box{3000, 2280, 1935, 255};
constexpr Box defaultBox{120, 3120, 6735, 255};

// "About", relative to the tab control.
constexpr Box picture2Box{240, 600, 2535, 2295};
constexpr Box programNameBox{3240, 720, 2295, 255};
constexpr Box versionBox{3240, 1080, 2295, 255};
// Where the data comes from, below the version, clear of the designed
// controls and inside the tab.
constexpr Box creditsBox{3240, 1560, 3975, 1335};
// What the tray icon can show, across the tab below the logo and credits.
constexpr Box trayNoteBox{240, 3000, 6975, 615};

// The design widths fit the design font; a substitute a pixel wider must not
// cut off a one-line caption, so such captions grow to the right to fit.
QRect fitted(const QWidget* widget, QRect design)
{
    const auto* label = qobject_cast<const QLabel*>(widget);
    const bool oneLineCaption = (label != nullptr && !label->wordWrap() && !label->text().isEmpty()) ||
                                qobject_cast<const QRadioButton*>(widget) != nullptr ||
                                qobject_cast<const QCheckBox*>(widget) != nullptr;
    if (oneLineCaption)
        design.setWidth(std::max(design.width(), widget->sizeHint().width()));
    return design;
}

void place(QWidget* widget, const Box& box)
{
    widget->setGeometry(fitted(widget, Twips::rect(box)));
}

QFont arial(double points, bool bold = false)
{
    return WindowServices::designFont(QStringLiteral("Arial"), points, bold);
}

const QColor darkRed(128, 0, 0);
const QColor lightYellow(255, 255, 192);

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, const QFont& font)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(font);
    return label;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& text, const QFont& font)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setFont(font);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QRadioButton* makeOption(QWidget* parent, const QString& name, const QString& text)
{
    auto* option = new QRadioButton(text, parent);
    option->setObjectName(name);
    option->setFont(arial(9));
    return option;
}

void setRole(QWidget* widget, QPalette::ColorRole role, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

// A fixed colour drawn on the theme's colour, or the other way round, turns
// unreadable in a theme of the opposite lightness; such text is drawn in
// black or white there.
void setReadableText(QWidget* widget, QPalette::ColorRole textRole, const QColor& text,
                     QPalette::ColorRole backgroundRole)
{
    setRole(widget, textRole, SystemColors::readableOn(text, widget->palette().color(backgroundRole)));
}

// A borderless frame whose options a screen reader presents as one group
// by `name`.
QFrame* makeOptionGroup(QWidget* parent, const QString& objectName, const QString& name)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(objectName);
    frame->setFrameShape(QFrame::NoFrame);
    AccessibleRole::set(frame, QAccessible::Grouping);
    frame->setAccessibleName(name);
    return frame;
}

} // namespace

frmSettings::frmSettings(SettingsStore& store, ColorDialog& colorDialog, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      m_settings(store), m_colorDialog(colorDialog)
{
    setObjectName(QStringLiteral("frmSettings"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Settings"));
    setFixedSize(Twips::size(clientWidth, clientHeight));

    createTabControl();
    createButtons();
    m_cmdApply->setFocus();

    Form_Load();
}

frmSettings::~frmSettings() = default;

void frmSettings::createTabControl()
{
    m_SSTab1 = new QTabWidget(this);
    m_SSTab1->setObjectName(QStringLiteral("SSTab1"));
    place(m_SSTab1, tabControlBox);
    m_SSTab1->tabBar()->setFont(arial(8.25));

    auto* general = new QWidget;
    general->setObjectName(QStringLiteral("General"));
    auto* colors = new QWidget;
    colors->setObjectName(QStringLiteral("Colors"));
    auto* about = new QWidget;
    about->setObjectName(QStringLiteral("About"));
    m_SSTab1->addTab(general, QStringLiteral("General"));
    m_SSTab1->addTab(colors, QStringLiteral("Colors"));
    m_SSTab1->addTab(about, QStringLiteral("About"));
    m_SSTab1->setCurrentIndex(0);

    // The pages start below the tab strip, whose height depends on the
    // style and the font; the controls are designed relative to the whole
    // tab control, so they are moved whenever the pages move.
    m_tabStack = general->parentWidget();
    m_tabStack->installEventFilter(this);

    createGeneralTab(general);
    createColorsTab(colors);
    createAboutTab(about);
}

void frmSettings::createGeneralTab(QWidget* page)
{
    const QFont labelFont = arial(9, true);

    auto* label1 = makeLabel(page, QStringLiteral("Label1"), QStringLiteral("Default City Code"), labelFont);
    placeOnTab(label1, Twips::rect(label1Box));

    m_cmbCity = new QComboBox(page);
    m_cmbCity->setObjectName(QStringLiteral("cmbCity"));
    m_cmbCity->setEditable(true);
    m_cmbCity->setInsertPolicy(QComboBox::NoInsert);
    // Typed text is stored as typed: inline completion would turn "DEN" into
    // the first entry that starts with it.
    m_cmbCity->setCompleter(nullptr);
    // Where Courier New is missing the fallback is still fixed-pitch, or the
    // station names stop lining up in one column.
    m_cmbCity->setFont(WindowServices::designFont(QStringLiteral("Courier New"), 9, true));
    placeOnTab(m_cmbCity, Twips::rect(cityBox));
    createStationSearch();
    // The boxes are named by the captions beside them.
    label1->setBuddy(m_cmbCity);
    m_cmbCity->setAccessibleName(label1->text());

    auto* label9 = makeLabel(page, QStringLiteral("Label9"),
                             QStringLiteral("Automatic Update Interval (in minutes)"), labelFont);
    label9->setWordWrap(true);
    placeOnTab(label9, Twips::rect(label9Box));

    m_txtUpdate = new QLineEdit(page);
    m_txtUpdate->setObjectName(QStringLiteral("txtUpdate"));
    m_txtUpdate->setFont(labelFont);
    setRole(m_txtUpdate, QPalette::Base, Qt::white);
    setReadableText(m_txtUpdate, QPalette::Text, m_txtUpdate->palette().color(QPalette::Text),
                    QPalette::Base);
    placeOnTab(m_txtUpdate, Twips::rect(updateBox));
    label9->setBuddy(m_txtUpdate);
    m_txtUpdate->setAccessibleName(label9->text());

    m_chkAlerts = new QCheckBox(QStringLiteral("Notify me of weather alerts"), page);
    m_chkAlerts->setObjectName(QStringLiteral("chkAlerts"));
    m_chkAlerts->setFont(arial(9));
    placeOnTab(m_chkAlerts, Twips::rect(alertsBox));

    auto* label13 =
        makeLabel(page, QStringLiteral("Label13"), QStringLiteral("Regional Satalite Images"), labelFont);
    label13->setWordWrap(true);
    placeOnTab(label13, Twips::rect(label13Box));

    QFrame* regionOptions = makeOptionGroup(page, QStringLiteral("regionOptions"), label13->text());
    placeOnTab(regionOptions, Twips::rect(regionOptionsBox));
    m_optE = makeOption(regionOptions, QStringLiteral("optE"), QStringLiteral("Eastern Region WV"));
    place(m_optE, eastBox);
    m_optW = makeOption(regionOptions, QStringLiteral("optW"), QStringLiteral("Western Region WV"));
    place(m_optW, westBox);
    m_optUS = makeOption(regionOptions, QStringLiteral("optUS"), QStringLiteral("US WV"));
    place(m_optUS, usBox);
    m_regionGroup = new QButtonGroup(this);
    m_regionGroup->addButton(m_optE);
    m_regionGroup->addButton(m_optW);
    m_regionGroup->addButton(m_optUS);

    auto* label14 =
        makeLabel(page, QStringLiteral("Label14"), QStringLiteral("Run Out Of System Tray"), labelFont);
    label14->setWordWrap(true);
    placeOnTab(label14, Twips::rect(label14Box));

    QFrame* frame3 = makeOptionGroup(page, QStringLiteral("Frame3"), label14->text());
    placeOnTab(frame3, Twips::rect(frame3Box));
    m_optYes = makeOption(frame3, QStringLiteral("optYes"), QStringLiteral("Yes"));
    place(m_optYes, yesBox);
    m_OptNo = makeOption(frame3, QStringLiteral("OptNo"), QStringLiteral("No"));
    place(m_OptNo, noBox);
    m_trayGroup = new QButtonGroup(this);
    m_trayGroup->addButton(m_optYes);
    m_trayGroup->addButton(m_OptNo);

    // Made after Frame3, so it lies above the frame's empty part and
    // follows the tray options in the focus order.
    m_chkTrayTemperature = new QCheckBox(QStringLiteral("Show the temperature in the tray"), page);
    m_chkTrayTemperature->setObjectName(QStringLiteral("chkTrayTemperature"));
    m_chkTrayTemperature->setFont(arial(9));
    placeOnTab(m_chkTrayTemperature, Twips::rect(trayTemperatureBox));

    auto* label10 = makeLabel(page, QStringLiteral("Label10"), QStringLiteral("Note :"), labelFont);
    setReadableText(label10, QPalette::WindowText, darkRed, QPalette::Window);
    placeOnTab(label10, Twips::rect(label10Box));

    auto* label11 =
        makeLabel(page, QStringLiteral("Label11"),
                  QStringLiteral("If you can't find your city listed here please send us an e-mail "
                                 "message to stations@ventaro-weather.example and we will try to "
                                 "find a valid city code. "),
                  arial(8.25));
    label11->setWordWrap(true);
    setReadableText(label11, QPalette::WindowText, darkRed, QPalette::Window);
    placeOnTab(label11, Twips::rect(label11Box));
}

void frmSettings::createStationSearch()
{
    // The entries begin with their codes, so the list's own type-ahead finds
    // a station only by its code; these suggestions find it by its name.
    // They only offer: the box keeps what was typed (a code typed alone is
    // stored as typed) until one of them is chosen.
    m_stationFilter = new StationFilter(this);
    m_stationFilter->setSourceModel(m_cmbCity->model());
    m_stationSearch = new QCompleter(m_stationFilter, this);
    m_stationSearch->setObjectName(QStringLiteral("stationSearch"));
    m_stationSearch->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    m_stationSearch->setWidget(m_cmbCity);
    m_stationSearch->setMaxVisibleItems(10);
    // The entries' names stand in one column only in the box's own font.
    m_stationSearch->popup()->setFont(m_cmbCity->font());
    connect(m_cmbCity->lineEdit(), &QLineEdit::textEdited, this, &frmSettings::offerStations);
    connect(m_stationSearch, qOverload<const QModelIndex&>(&QCompleter::activated), this,
            &frmSettings::stationChosen);
}

void frmSettings::offerStations(const QString& typed)
{
    m_stationFilter->setTyped(typed);
    QAbstractItemView* popup = m_stationSearch->popup();
    if (m_stationFilter->rowCount() == 0) {
        popup->hide();
        return;
    }
    m_stationSearch->complete();
    // None is taken until the user takes it: Enter on the list as offered
    // keeps the typed text.
    popup->setCurrentIndex(QModelIndex());
}

void frmSettings::stationChosen(const QModelIndex& suggestion)
{
    const auto* offered = qobject_cast<const QAbstractProxyModel*>(m_stationSearch->completionModel());
    const QModelIndex inFilter = offered ? offered->mapToSource(suggestion) : suggestion;
    const QModelIndex entry = m_stationFilter->mapToSource(inFilter);
    // As picking it from the list: the entry becomes the box's current
    // item and its text.
    if (entry.isValid())
        m_cmbCity->setCurrentIndex(entry.row());
}

void frmSettings::createColorsTab(QWidget* page)
{
    const QFont buttonFont = arial(8.25);

    m_Pic = new QFrame(page);
    m_Pic->setObjectName(QStringLiteral("Pic"));
    m_Pic->setFrameShape(QFrame::NoFrame);
    m_Pic->setAutoFillBackground(true);
    placeOnTab(m_Pic, Twips::rect(picBox));

    // Without a filled background the label shows Pic through it, as the
    // main window's captions show the window's background.
    // The buttons are made in between the previews they change, because
    // the order of making is the tab's focus order.
    // Three buttons share each picking caption; a screen reader, which
    // does not see which preview a button stands beside, hears that too.
    const auto addButton = [this, &buttonFont](const char* name, const char* caption, const Box& box,
                                               void (frmSettings::*handler)(), const char* target = nullptr) {
        QPushButton* button =
            makeButton(m_Pic, QString::fromLatin1(name), QString::fromLatin1(caption), buttonFont);
        place(button, box);
        if (target != nullptr)
            button->setAccessibleName(button->text() + QStringLiteral(" for ") + QString::fromLatin1(target));
        connect(button, &QPushButton::clicked, this, handler);
    };
    const char* const pickFore = "Pick Foreground Color";
    const char* const pickBack = "Pick Background Color";

    m_lblGen = makeLabel(m_Pic, QStringLiteral("lblGen"), QStringLiteral("Labels"), arial(9));
    place(m_lblGen, lblGenBox);
    addButton("Command1", pickFore, command1Box, &frmSettings::Command1_Click, "Labels");
    addButton("cmdForeColor", pickFore, foreColorBox, &frmSettings::cmdForeColor_Click, "Condition Labels");
    m_lblLabel = makeLabel(m_Pic, QStringLiteral("lblLabel"), QStringLiteral(" Condition Labels"), arial(9));
    m_lblLabel->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_lblLabel->setLineWidth(1);
    m_lblLabel->setAutoFillBackground(true);
    setRole(m_lblLabel, QPalette::Window, lightYellow);
    place(m_lblLabel, lblLabelBox);
    addButton("cmdBack", pickBack, backBox, &frmSettings::cmdBack_Click, "Condition Labels");

    m_txtForecast = new QPlainTextEdit(m_Pic);
    m_txtForecast->setObjectName(QStringLiteral("txtForecast"));
    m_txtForecast->setFont(arial(8.25));
    m_txtForecast->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_txtForecast->setPlainText(QStringLiteral("Forecast\n"));
    setRole(m_txtForecast, QPalette::Base, lightYellow);
    m_txtForecast->setAccessibleName(QStringLiteral("Forecast"));
    place(m_txtForecast, forecastBox);
    addButton("Command4", pickFore, command4Box, &frmSettings::Command4_Click, "Forecast");
    addButton("Command3", pickBack, command3Box, &frmSettings::Command3_Click, "Forecast");
    addButton("Command6", pickBack, command6Box, &frmSettings::Command6_Click, "Window");
    addButton("cmdDefault", "Set Colors To Default", defaultBox, &frmSettings::cmdDefault_Click);

    using namespace SettingsKeys;
    m_previews = {{
        {LabelForeColor, m_lblGen, QPalette::WindowText, 0, 5},
        {ConditionsForeColor, m_lblLabel, QPalette::WindowText, 0, 2},
        {ConditionsBackColor, m_lblLabel, QPalette::Window, 0},
        {ForecastForeColor, m_txtForecast, QPalette::Text, 0, 4},
        {ForecastBackColor, m_txtForecast, QPalette::Base, 0},
        {BackBackColor, m_Pic, QPalette::Window, 0},
    }};
}

void frmSettings::createAboutTab(QWidget* page)
{
    m_Picture2 = new QLabel(page);
    m_Picture2->setObjectName(QStringLiteral("Picture2"));
    m_Picture2->setAlignment(Qt::AlignCenter);
    placeOnTab(m_Picture2, Twips::rect(picture2Box));
    loadLogo();

    placeOnTab(
        makeLabel(page, QStringLiteral("lblProgramName"), QStringLiteral("Ventaro"), arial(11.25, true)),
        Twips::rect(programNameBox));
    m_lblVersion = makeLabel(page, QStringLiteral("lblVersion"), QString(), arial(9, true));
    placeOnTab(m_lblVersion, Twips::rect(versionBox));

    auto* credits = makeLabel(page, QStringLiteral("lblCredits"), QString(), arial(8.25));
    credits->setTextFormat(Qt::RichText);
    credits->setWordWrap(true);
    credits->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    credits->setOpenExternalLinks(true);
    credits->setTextInteractionFlags(Qt::TextBrowserInteraction);
    // Qt colours a link as the application's palette says when it reads the
    // text, whatever the label's own palette holds, and a theme's link blue
    // can be dark on a dark page: the readable colour goes into the text.
    const QPalette palette = credits->palette();
    const QColor link =
        SystemColors::readableOn(palette.color(QPalette::Link), palette.color(QPalette::Window));
    const auto anchor = [&link](const char* address, const char* words) {
        return QStringLiteral("<a href=\"%1\" style=\"color: %2\">%3</a>")
            .arg(QLatin1String(address), link.name(), QLatin1String(words));
    };
    credits->setText(
        QStringLiteral("Weather and satellite pictures from the %1 and %2, whose data are in the "
                       "public domain. Ventaro is not made or endorsed by them.")
            .arg(anchor("https://www.weather.gov/", "US National Weather Service"),
                 anchor("https://www.noaa.gov/", "NOAA")));
    placeOnTab(credits, Twips::rect(creditsBox));

    auto* trayNote = makeLabel(
        page, QStringLiteral("lblTray"),
        QStringLiteral("With \"Show the temperature in the tray\" (General) the tray icon shows the "
                       "temperature last observed, in whole degrees Fahrenheit, beside the sky. A red "
                       "mark in the icon's corner means a severe or extreme warning is in effect."),
        arial(8.25));
    trayNote->setWordWrap(true);
    trayNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    placeOnTab(trayNote, Twips::rect(trayNoteBox));
}

void frmSettings::createButtons()
{
    const QFont buttonFont = arial(9);
    m_cmdOK = makeButton(this, QStringLiteral("cmdOK"), QStringLiteral("OK"), buttonFont);
    place(m_cmdOK, okBox);
    m_cmdCancel = makeButton(this, QStringLiteral("cmdCancel"), QStringLiteral("Cancel"), buttonFont);
    place(m_cmdCancel, cancelBox);
    m_cmdApply = makeButton(this, QStringLiteral("cmdApply"), QStringLiteral("Apply"), buttonFont);
    place(m_cmdApply, applyBox);

    connect(m_cmdOK, &QPushButton::clicked, this, &frmSettings::cmdOK_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &frmSettings::cmdCancel_Click);
    connect(m_cmdApply, &QPushButton::clicked, this, &frmSettings::cmdApply_Click);
}

void frmSettings::placeOnTab(QWidget* widget, const QRect& design)
{
    m_tabPlacements.push_back({widget, fitted(widget, design)});
    widget->setGeometry(m_tabPlacements.back().design);
}

void frmSettings::placeTabControls()
{
    const QPoint pageOrigin = m_tabStack->geometry().topLeft();
    for (const TabPlacement& placement : m_tabPlacements)
        placement.widget->setGeometry(placement.design.translated(-pageOrigin));
}

void frmSettings::loadLogo()
{
    QImageReader reader(ResourcePaths::logo);
    const qreal ratio = devicePixelRatioF();
    const QSize box = m_Picture2->size() * ratio;
    const QSize natural = reader.size();
    if (natural.isValid())
        reader.setScaledSize(natural.scaled(box, Qt::KeepAspectRatio));
    const QImage logo = reader.read();
    if (logo.isNull())
        return;
    QPixmap pixmap = QPixmap::fromImage(logo);
    pixmap.setDevicePixelRatio(ratio);
    m_Picture2->setPixmap(pixmap);
}

void frmSettings::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    placeTabControls();
    if (!m_centred) {
        m_centred = true;
        WindowServices::centreOnScreen(this);
    }
}

bool frmSettings::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_tabStack && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        placeTabControls();
    return QWidget::eventFilter(watched, event);
}

void frmSettings::keyPressEvent(QKeyEvent* event)
{
    // Escape leaves the dialog as Cancel does, once no control has taken it
    // for itself: the open station list closes first. Enter still presses
    // nothing, as no button is the default.
    if (event->matches(QKeySequence::Cancel)) {
        cmdCancel_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmSettings::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

void frmSettings::setPreview(int index, qint32 value)
{
    m_previews[static_cast<size_t>(index)].value = value;
    // A text preview shows as the main window will draw it, which depends
    // on its background as well; every preview is shown anew.
    for (const Preview& preview : m_previews) {
        // References resolve against the widget's own default palette, not
        // the one already carrying the previews' colours.
        const QPalette palette = QApplication::palette(preview.widget);
        const QColor shown =
            preview.background < 0
                ? SystemColors::toColor(preview.value, palette)
                : SystemColors::textColor(preview.value,
                                          m_previews[static_cast<size_t>(preview.background)].value, palette);
        setRole(preview.widget, preview.role, shown);
    }
}

void frmSettings::pickColour(int index)
{
    // The answer comes later, from the event loop; the dialog belongs to
    // this window, so it never answers a window that has gone.
    m_colorDialog.chooseColor(this, [this, index](std::optional<int> chosen) {
        if (chosen)
            setPreview(index, *chosen);
    });
}

void frmSettings::Form_Load()
{
    using namespace SettingsKeys;

    m_lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                              .arg(VENTARO_VERSION_MAJOR)
                              .arg(VENTARO_VERSION_MINOR)
                              .arg(VENTARO_VERSION_PATCH));

    m_txtUpdate->setText(m_settings.get(Update));

    for (int index = 0; index < static_cast<int>(m_previews.size()); ++index)
        setPreview(index, m_settings.colour(m_previews[static_cast<size_t>(index)].key));

    // Each comparison reads the store afresh; settings are never cached.
    if (m_settings.get(Region) == QLatin1String("East"))
        m_optE->setChecked(true);
    if (m_settings.get(Region) == QLatin1String("West"))
        m_optW->setChecked(true);
    if (m_settings.get(Region) == QLatin1String("US"))
        m_optUS->setChecked(true);

    if (m_settings.number(SysTray) == -1)
        m_optYes->setChecked(true);
    if (m_settings.number(SysTray) == 0)
        m_OptNo->setChecked(true);

    m_cmbCity->addItems(StationTable::entries());

    // An entry stored before its state was mended shows as it reads today,
    // so that the next Apply stores the right state; until then the store
    // keeps what the user chose.
    const QString cityCode = StationTable::mended(m_settings.get(CityCode));
    // An exact entry becomes the list's current item as well, so the open
    // list shows the very entry that was chosen rather than its twin.
    const int entry = m_cmbCity->findText(cityCode, Qt::MatchExactly | Qt::MatchCaseSensitive);
    m_cmbCity->setCurrentIndex(entry);
    m_cmbCity->setEditText(cityCode);

    // Read last, after the designed keys.
    m_alertsLoaded = m_settings.alertNotifyOn();
    m_chkAlerts->setChecked(m_alertsLoaded);
    m_trayTemperatureLoaded = m_settings.trayTemperatureOn();
    m_chkTrayTemperature->setChecked(m_trayTemperatureLoaded);
}

bool frmSettings::saveToStore()
{
    using namespace SettingsKeys;

    // Each key by its own write, in this order; the first that fails ends
    // the saving, as every later one would meet the same full disk or
    // missing right.
    QList<std::pair<QString, QString>> writes{
        {CityCode, m_cmbCity->currentText()},
        {State, StationTable::stateCode(m_cmbCity->currentText())},
        {Update, m_txtUpdate->text()},
    };
    for (const Preview& preview : m_previews)
        writes.append({preview.key, NumberForm::numberToText(preview.value)});

    if (m_optE->isChecked())
        writes.append({Region, QStringLiteral("East")});
    else if (m_optW->isChecked())
        writes.append({Region, QStringLiteral("West")});
    else if (m_optUS->isChecked())
        writes.append({Region, QStringLiteral("US")});

    if (m_optYes->isChecked())
        writes.append({SysTray, QStringLiteral("-1")});
    else if (m_OptNo->isChecked())
        writes.append({SysTray, QStringLiteral("0")});

    // Written only once changed, so a store that never had the key (on)
    // keeps the designed keys alone; in SysTray's form.
    if (m_chkAlerts->isChecked() != m_alertsLoaded)
        writes.append({AlertNotify, m_chkAlerts->isChecked() ? QStringLiteral("-1") : QStringLiteral("0")});
    // Likewise: a store that never had it (off) keeps the sky pictures.
    if (m_chkTrayTemperature->isChecked() != m_trayTemperatureLoaded)
        writes.append({TrayTemperature,
                       m_chkTrayTemperature->isChecked() ? QStringLiteral("-1") : QStringLiteral("0")});

    for (const auto& [key, value] : writes) {
        if (!m_settings.save(key, value))
            return false;
    }
    m_alertsLoaded = m_chkAlerts->isChecked();
    m_trayTemperatureLoaded = m_chkTrayTemperature->isChecked();
    return true;
}

void frmSettings::showWriteFailure()
{
    const QString reason = m_settings.store().lastWriteError();
    qCWarning(lcSettings).noquote() << "settings not saved:" << reason;
    delete m_writeFailure.data();
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Settings"),
                                QStringLiteral("Your settings could not be saved."), QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("writeFailure"));
    box->setTextFormat(Qt::PlainText);
    box->setInformativeText(reason +
                            QStringLiteral("\n\nEverything you entered is still here: press Apply or OK "
                                           "to try again, or Cancel to leave it."));
    box->setAttribute(Qt::WA_DeleteOnClose);
    m_writeFailure = box;
    // Window-modal and without a nested event loop: quitting with it open
    // deletes it with this dialog.
    box->open();
}

bool frmSettings::applyAndReport()
{
    const bool saved = saveToStore();
    Q_EMIT applied();
    if (!saved)
        showWriteFailure();
    return saved;
}

void frmSettings::cmdApply_Click()
{
    applyAndReport();
}

void frmSettings::cmdOK_Click()
{
    // A failed save keeps the dialog open, so nothing the user entered is
    // thrown away with it.
    if (applyAndReport())
        close();
}

void frmSettings::cmdCancel_Click()
{
    close();
}

void frmSettings::Command1_Click()
{
    pickColour(0);
}

void frmSettings::cmdForeColor_Click()
{
    pickColour(1);
}

void frmSettings::cmdBack_Click()
{
    pickColour(2);
}

void frmSettings::Command4_Click()
{
    pickColour(3);
}

void frmSettings::Command3_Click()
{
    pickColour(4);
}

void frmSettings::Command6_Click()
{
    pickColour(5);
}

void frmSettings::cmdDefault_Click()
{
    FirstStart::writeColourDefaults(m_settings.store());
    for (int index = 0; index < static_cast<int>(m_previews.size()); ++index)
        setPreview(index, m_settings.colour(m_previews[static_cast<size_t>(index)].key));
}

void frmSettings::Form_Unload()
{
    using namespace SettingsKeys;

    // From the store, like the station and the state: an interval typed and
    // then cancelled must not outlive the dialog in the running program.
    SettingsOnClose values;
    values.stationCode = StationTable::stationCode(m_settings.get(CityCode));
    values.stateCode = m_settings.get(State);
    values.updateMinutes = m_settings.int16(Update);
    Q_EMIT closing(values);
}
