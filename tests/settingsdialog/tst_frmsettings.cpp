#include "FakeColorDialog.h"
#include "MemorySettingsStore.h"
#include "resources/Resources.h"
#include "settings/FirstStart.h"
#include "settings/StationTable.h"
#include "settingsdialog/frmSettings.h"
#include "shell/QtColorDialog.h"
#include "shell/Twips.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QCompleter>
#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <memory>

using Colour = std::optional<int>;
Q_DECLARE_METATYPE(Colour)
Q_DECLARE_METATYPE(QPalette::ColorRole)

namespace {

const QString denver = QStringLiteral("DEN         DENVER, CO");
const QString cancun = QStringLiteral("CUN         CANCUN, MEXICO");
const QString windowText = QStringLiteral("-2147483640");

const QStringList colourKeys{QStringLiteral("LabelForeColor"),      QStringLiteral("ConditionsForeColor"),
                             QStringLiteral("ConditionsBackColor"), QStringLiteral("ForecastForeColor"),
                             QStringLiteral("ForecastBackColor"),   QStringLiteral("BackBackColor")};

} // namespace

class TestFrmSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void opensOnFreshStore();
    void windowAndControlsAsDesigned_data();
    void windowAndControlsAsDesigned();
    void noControlIsClipped();
    void escapeCancelsAndEnterDoesNothing_data();
    void escapeCancelsAndEnterDoesNothing();
    void everyControlHasItsOwnName();
    void readableInADarkTheme();
    void applyStoresStationAndState_data();
    void applyStoresStationAndState();
    void storedEntryShownAsItReadsToday();
    void stationsFoundByName_data();
    void stationsFoundByName();
    void applyWritesEachKeyInOrderThenRepaints();
    void okWritesWhatApplyWritesThenCloses();
    void closingReportsWhatTheStoreHolds_data();
    void closingReportsWhatTheStoreHolds();
    void defaultsAreWrittenAtOnceAndSurviveCancel();
    void pickingAColour_data();
    void pickingAColour();
    void unrecognisedChoicesSelectNothingAndStayUnwritten_data();
    void unrecognisedChoicesSelectNothingAndStayUnwritten();
    void qtColorDialogAnswers_data();
    void qtColorDialogAnswers();
    void failedSaveWarnsAndKeepsWhatWasEntered_data();
    void failedSaveWarnsAndKeepsWhatWasEntered();
    void switchesOnGeneral_data();
    void switchesOnGeneral();

private:
    bool open();
    template <typename T> T* child(const QString& name) const { return m_dialog->findChild<T*>(name); }
    bool showTab(int index);
    bool click(const QString& button);
    bool chooseStation(int row);
    void closeBy(const QString& closer);

    std::unique_ptr<MemorySettingsStore> m_store;
    std::unique_ptr<FakeColorDialog> m_colours;
    QPointer<frmSettings> m_dialog;
    // What the dialog told the main window, in order: "applied" and
    // "closing", with the store's written keys as they stood at "applied"
    // and the values each "closing" carried.
    QStringList m_signals;
    QList<QStringList> m_writtenWhenApplied;
    QList<SettingsOnClose> m_closings;
};

void TestFrmSettings::initTestCase()
{
    initVentaroResources();
}

void TestFrmSettings::init()
{
    m_store = std::make_unique<MemorySettingsStore>();
    InitializeSettings(*m_store, QSizeF(1280.0 * 15, 1024.0 * 15), QSizeF(7320, 4065), QStringLiteral("100"));
    m_store->clearLog();
    m_colours = std::make_unique<FakeColorDialog>();
    m_signals.clear();
    m_writtenWhenApplied.clear();
    m_closings.clear();
}

void TestFrmSettings::cleanup()
{
    delete m_dialog.data();
}

bool TestFrmSettings::open()
{
    m_dialog = new frmSettings(*m_store, *m_colours);
    connect(m_dialog, &frmSettings::applied, this, [this] {
        m_signals.append(QStringLiteral("applied"));
        m_writtenWhenApplied.append(m_store->writtenKeys());
    });
    connect(m_dialog, &frmSettings::closing, this, [this](const SettingsOnClose& values) {
        m_signals.append(QStringLiteral("closing"));
        m_closings.append(values);
    });
    m_dialog->show();
    return QTest::qWaitForWindowExposed(m_dialog);
}

bool TestFrmSettings::showTab(int index)
{
    auto* tabs = child<QTabWidget>(QStringLiteral("SSTab1"));
    if (tabs == nullptr)
        return false;
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(index).center());
    return tabs->currentIndex() == index;
}

bool TestFrmSettings::click(const QString& button)
{
    auto* target = child<QAbstractButton>(button);
    if (target == nullptr || !target->isVisible())
        return false;
    // An option reacts only on its mark and caption, not on the blank rest
    // of its box, so it is clicked on the mark.
    const bool mark =
        qobject_cast<QRadioButton*>(target) != nullptr || qobject_cast<QCheckBox*>(target) != nullptr;
    const QPoint where = mark ? QPoint(6, target->height() / 2) : target->rect().center();
    QTest::mouseClick(target, Qt::LeftButton, {}, where);
    return true;
}

// Picks an entry the way a user does: open the list, click the entry.
bool TestFrmSettings::chooseStation(int row)
{
    auto* city = child<QComboBox>(QStringLiteral("cmbCity"));
    city->showPopup();
    QAbstractItemView* list = city->view();
    if (!QTest::qWaitFor([list] { return list->isVisible(); }, 5000))
        return false;
    const QModelIndex entry = city->model()->index(row, 0);
    list->scrollTo(entry);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(entry).center());
    return QTest::qWaitFor([list] { return !list->isVisible(); }, 5000);
}

void TestFrmSettings::closeBy(const QString& closer)
{
    if (closer == QLatin1String("close box"))
        m_dialog->windowHandle()->close();
    else
        click(closer);
}

void TestFrmSettings::opensOnFreshStore()
{
    QVERIFY(open());

    auto* city = child<QComboBox>(QStringLiteral("cmbCity"));
    QVERIFY(city);
    QCOMPARE(city->currentText(), denver);
    QCOMPARE(city->count(), StationTable::size);
    QStringList items;
    for (int row = 0; row < city->count(); ++row)
        items.append(city->itemText(row));
    QCOMPARE(items, StationTable::entries());
    // The open list starts at the stored entry, not at the top of the table.
    QCOMPARE(city->currentIndex(), 126);

    QCOMPARE(child<QLineEdit>(QStringLiteral("txtUpdate"))->text(), QStringLiteral("15"));
    QVERIFY(child<QRadioButton>(QStringLiteral("optW"))->isChecked());
    QVERIFY(!child<QRadioButton>(QStringLiteral("optE"))->isChecked());
    QVERIFY(!child<QRadioButton>(QStringLiteral("optUS"))->isChecked());
    QVERIFY(child<QRadioButton>(QStringLiteral("optYes"))->isChecked());
    QVERIFY(!child<QRadioButton>(QStringLiteral("OptNo"))->isChecked());

    const QColor systemText = QApplication::palette().color(QPalette::WindowText);
    const QColor paleYellow(255, 255, 192);
    QCOMPARE(child<QLabel>(QStringLiteral("lblGen"))->palette().color(QPalette::WindowText), systemText);
    QCOMPARE(child<QLabel>(QStringLiteral("lblLabel"))->palette().color(QPalette::WindowText), systemText);
    QCOMPARE(child<QLabel>(QStringLiteral("lblLabel"))->palette().color(QPalette::Window), paleYellow);
    QCOMPARE(child<QPlainTextEdit>(QStringLiteral("txtForecast"))->palette().color(QPalette::Text),
             systemText);
    QCOMPARE(child<QPlainTextEdit>(QStringLiteral("txtForecast"))->palette().color(QPalette::Base),
             paleYellow);
    QCOMPARE(child<QWidget>(QStringLiteral("Pic"))->palette().color(QPalette::Window), QColor(192, 192, 192));

    QCOMPARE(child<QLabel>(QStringLiteral("lblVersion"))->text(), QStringLiteral("Version 1.0.0"));
    auto* logo = child<QLabel>(QStringLiteral("Picture2"));
    const QPixmap picture = logo->pixmap();
    QVERIFY(!picture.isNull());
    const QSize shown = picture.deviceIndependentSize().toSize();
    QVERIFY(shown.width() <= logo->width() && shown.height() <= logo->height());
    QVERIFY(shown.width() == logo->width() || shown.height() == logo->height());
    QCOMPARE(child<QTabWidget>(QStringLiteral("SSTab1"))->currentIndex(), 0);
    QCOMPARE(m_dialog->focusWidget(), child<QWidget>(QStringLiteral("cmdApply")));
    // About tells where the tray's temperature is chosen.
    QVERIFY(child<QLabel>(QStringLiteral("lblTray"))
                ->text()
                .contains(QStringLiteral("\"Show the temperature in the tray\" (General)")));

    const QStringList expectedReads{QStringLiteral("Update"),
                                    QStringLiteral("LabelForeColor"),
                                    QStringLiteral("ConditionsForeColor"),
                                    QStringLiteral("ConditionsBackColor"),
                                    QStringLiteral("ForecastForeColor"),
                                    QStringLiteral("ForecastBackColor"),
                                    QStringLiteral("BackBackColor"),
                                    QStringLiteral("Region"),
                                    QStringLiteral("Region"),
                                    QStringLiteral("Region"),
                                    QStringLiteral("SysTray"),
                                    QStringLiteral("SysTray"),
                                    QStringLiteral("CityCode"),
                                    QStringLiteral("AlertNotify"),
                                    QStringLiteral("TrayTemperature")};
    QCOMPARE(m_store->readKeys(), expectedReads);
    QVERIFY(m_store->writtenKeys().isEmpty());
    QVERIFY(m_signals.isEmpty());
}

void TestFrmSettings::windowAndControlsAsDesigned_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QRect>("twips");

    const QString tab = QStringLiteral("SSTab1");
    QTest::newRow("tab control on the window")
        << tab << QStringLiteral("frmSettings") << QRect(120, 120, 7455, 3975);
    QTest::newRow("Apply below the tabs")
        << QStringLiteral("cmdApply") << QStringLiteral("frmSettings") << QRect(6360, 4200, 975, 375);
    QTest::newRow("station box on General")
        << QStringLiteral("cmbCity") << tab << QRect(2280, 600, 4815, 360);
    QTest::newRow("note on General") << QStringLiteral("Label11") << tab << QRect(2160, 3240, 4695, 615);
    QTest::newRow("US region on General") << QStringLiteral("optUS") << tab << QRect(2280, 2040, 1095, 255);
    QTest::newRow("Western region on General")
        << QStringLiteral("optW") << tab << QRect(4440, 1680, 2055, 255);
    QTest::newRow("No inside its frame")
        << QStringLiteral("OptNo") << QStringLiteral("Frame3") << QRect(2160, 120, 1935, 255);
    QTest::newRow("preview box on Colors") << QStringLiteral("Pic") << tab << QRect(240, 480, 6975, 3375);
    QTest::newRow("default button on the preview")
        << QStringLiteral("cmdDefault") << QStringLiteral("Pic") << QRect(120, 3120, 6735, 255);
    QTest::newRow("logo on About") << QStringLiteral("Picture2") << tab << QRect(240, 600, 2535, 2295);
}

void TestFrmSettings::windowAndControlsAsDesigned()
{
    QFETCH(QString, name);
    QFETCH(QString, container);
    QFETCH(QRect, twips);

    QVERIFY(open());
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Settings"));
    QCOMPARE(m_dialog->size(), Twips::size(7710, 4710));
    QCOMPARE(m_dialog->minimumSize(), m_dialog->maximumSize());
    const Qt::WindowFlags flags = m_dialog->windowFlags();
    QCOMPARE(m_dialog->windowType(), Qt::Tool);
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!m_dialog->isModal());

    auto* tabs = child<QTabWidget>(QStringLiteral("SSTab1"));
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabText(0), QStringLiteral("General"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Colors"));
    QCOMPARE(tabs->tabText(2), QStringLiteral("About"));

    QWidget* widget = child<QWidget>(name);
    QVERIFY(widget);
    QWidget* reference =
        container == QLatin1String("frmSettings") ? m_dialog.data() : child<QWidget>(container);
    QVERIFY(reference);
    QVERIFY(reference->isAncestorOf(widget));
    const QRect expected = Twips::rect(twips.x(), twips.y(), twips.width(), twips.height());
    QCOMPARE(QRect(widget->mapTo(reference, QPoint(0, 0)), widget->size()), expected);
}

void TestFrmSettings::noControlIsClipped()
{
    QVERIFY(open());
    auto* tabs = child<QTabWidget>(QStringLiteral("SSTab1"));
    for (int index = 0; index < tabs->count(); ++index) {
        QVERIFY(showTab(index));
        QWidget* page = tabs->widget(index);
        const QList<QWidget*> controls = page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        QVERIFY(!controls.isEmpty());
        for (const QWidget* control : controls)
            QVERIFY2(page->rect().contains(control->geometry()), qPrintable(control->objectName()));

        for (const QLabel* label : page->findChildren<QLabel*>()) {
            if (label->text().isEmpty())
                continue;
            const QSize needed = label->wordWrap()
                                     ? QSize(label->width(), label->heightForWidth(label->width()))
                                     : label->sizeHint();
            QVERIFY2(needed.width() <= label->width() && needed.height() <= label->height(),
                     qPrintable(label->objectName()));
        }
        for (const QRadioButton* option : page->findChildren<QRadioButton*>())
            QVERIFY2(option->sizeHint().width() <= option->width(), qPrintable(option->objectName()));
        for (const QPushButton* button : page->findChildren<QPushButton*>()) {
            const int textWidth = QFontMetrics(button->font()).horizontalAdvance(button->text());
            QVERIFY2(textWidth + 8 <= button->width(), qPrintable(button->objectName()));
        }
    }
    // The entries only line up in one column in a fixed-pitch font.
    QVERIFY(QFontInfo(child<QComboBox>(QStringLiteral("cmbCity"))->font()).fixedPitch());
}

void TestFrmSettings::escapeCancelsAndEnterDoesNothing_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("focus");
    QTest::newRow("on Apply") << 0 << QStringLiteral("cmdApply");
    QTest::newRow("in the update box") << 0 << QStringLiteral("txtUpdate");
    QTest::newRow("in the station box") << 0 << QStringLiteral("cmbCity");
    QTest::newRow("on an option") << 0 << QStringLiteral("optYes");
    QTest::newRow("in the forecast preview") << 1 << QStringLiteral("txtForecast");
}

void TestFrmSettings::escapeCancelsAndEnterDoesNothing()
{
    QFETCH(int, tab);
    QFETCH(QString, focus);
    QVERIFY(open());
    QApplication::setActiveWindow(m_dialog);
    QVERIFY(QTest::qWaitForWindowActive(m_dialog));
    QVERIFY(showTab(tab));
    auto* update = child<QLineEdit>(QStringLiteral("txtUpdate"));
    update->setText(QStringLiteral("30"));
    QWidget* target = child<QWidget>(focus);
    target->setFocus();
    QTRY_VERIFY(target->hasFocus());

    // No default button: Enter presses nothing, wherever the focus is.
    QVERIFY(!child<QPushButton>(QStringLiteral("cmdOK"))->isDefault());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(m_dialog && m_dialog->isVisible());
    QVERIFY(m_signals.isEmpty());

    // Escape in the open station list closes the list only.
    auto* city = child<QComboBox>(QStringLiteral("cmbCity"));
    city->showPopup();
    QTRY_VERIFY(city->view()->isVisible());
    QTest::keyClick(city->view(), Qt::Key_Escape);
    QTRY_VERIFY(!city->view()->isVisible());
    QVERIFY(m_dialog && m_dialog->isVisible());
    QVERIFY(m_signals.isEmpty());

    target->setFocus();
    QTRY_VERIFY(target->hasFocus());
    QTest::keyClick(target, Qt::Key_Escape);
    QCOMPARE(m_signals, QStringList{QStringLiteral("closing")});
    QTRY_VERIFY(m_dialog.isNull());
    QVERIFY(m_store->writtenKeys().isEmpty());
    QCOMPARE(m_closings.constFirst().updateMinutes, qint16(15));
}

namespace {

QAccessibleInterface* accessible(QObject* object)
{
    return QAccessible::queryAccessibleInterface(object);
}

// What a screen reader says a control is: the caption it is labelled by
// where there is one, else its name.
QString spokenAs(QWidget* widget)
{
    QAccessibleInterface* control = accessible(widget);
    if (control == nullptr)
        return QString();
    const auto labels = control->relations(QAccessible::Label);
    if (!labels.isEmpty())
        return labels.constFirst().first->text(QAccessible::Name);
    return control->text(QAccessible::Name);
}

} // namespace

void TestFrmSettings::everyControlHasItsOwnName()
{
    QVERIFY(open());
    const QList<std::pair<QString, QString>> expected{
        {QStringLiteral("cmbCity"), QStringLiteral("Default City Code")},
        {QStringLiteral("txtUpdate"), QStringLiteral("Automatic Update Interval (in minutes)")},
        {QStringLiteral("Command1"), QStringLiteral("Pick Foreground Color for Labels")},
        {QStringLiteral("cmdForeColor"), QStringLiteral("Pick Foreground Color for Condition Labels")},
        {QStringLiteral("cmdBack"), QStringLiteral("Pick Background Color for Condition Labels")},
        {QStringLiteral("Command4"), QStringLiteral("Pick Foreground Color for Forecast")},
        {QStringLiteral("Command3"), QStringLiteral("Pick Background Color for Forecast")},
        {QStringLiteral("Command6"), QStringLiteral("Pick Background Color for Window")},
        {QStringLiteral("cmdDefault"), QStringLiteral("Set Colors To Default")},
    };
    for (const auto& [name, spoken] : expected)
        QCOMPARE(spokenAs(child<QWidget>(name)), spoken);
    // The captions stay as designed.
    QCOMPARE(child<QPushButton>(QStringLiteral("Command6"))->text(), QStringLiteral("Pick Background Color"));

    // Every control the keyboard reaches is told apart from the others.
    QStringList names;
    for (QWidget* widget : m_dialog->findChildren<QWidget*>()) {
        // The station list belongs to its own pop-up window.
        if (!(widget->focusPolicy() & Qt::TabFocus) || widget->focusProxy() != nullptr ||
            widget->window() != m_dialog)
            continue;
        const QString name = spokenAs(widget);
        QVERIFY2(!name.isEmpty(), qPrintable(widget->objectName()));
        QVERIFY2(!names.contains(name), qPrintable(widget->objectName() + QStringLiteral(": ") + name));
        names.append(name);
    }
    QVERIFY(names.size() >= 20);

    // The options stand in named groups.
    const QList<std::pair<QString, QStringList>> groups{
        {QStringLiteral("Regional Satalite Images"),
         {QStringLiteral("optE"), QStringLiteral("optW"), QStringLiteral("optUS")}},
        {QStringLiteral("Run Out Of System Tray"), {QStringLiteral("optYes"), QStringLiteral("OptNo")}},
    };
    for (const auto& [group, options] : groups) {
        for (const QString& option : options) {
            QAccessibleInterface* parent = accessible(child<QWidget>(option))->parent();
            QVERIFY(parent);
            QCOMPARE(parent->role(), QAccessible::Grouping);
            QCOMPARE(parent->text(QAccessible::Name), group);
        }
    }
}

// The update box is white by design and the note dark red, whatever the
// theme; the previews show the text as the main window will draw it.
void TestFrmSettings::readableInADarkTheme()
{
    const QPalette before = QApplication::palette();
    const auto restore = qScopeGuard([&] { QApplication::setPalette(before); });
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(53, 53, 53));
    dark.setColor(QPalette::WindowText, QColor(240, 240, 240));
    dark.setColor(QPalette::Base, QColor(35, 35, 35));
    dark.setColor(QPalette::Text, QColor(240, 240, 240));
    QApplication::setPalette(dark);

    QVERIFY(open());
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    auto* update = child<QLineEdit>(QStringLiteral("txtUpdate"));
    QCOMPARE(update->palette().color(QPalette::Base), white);
    QCOMPARE(update->palette().color(QPalette::Text), black);
    QCOMPARE(child<QLabel>(QStringLiteral("Label10"))->palette().color(QPalette::WindowText), white);
    QCOMPARE(child<QLabel>(QStringLiteral("Label11"))->palette().color(QPalette::WindowText), white);

    const QColor paleYellow(255, 255, 192);
    QCOMPARE(child<QLabel>(QStringLiteral("lblGen"))->palette().color(QPalette::WindowText), black);
    QCOMPARE(child<QLabel>(QStringLiteral("lblLabel"))->palette().color(QPalette::WindowText), black);
    QCOMPARE(child<QLabel>(QStringLiteral("lblLabel"))->palette().color(QPalette::Window), paleYellow);
    QCOMPARE(child<QPlainTextEdit>(QStringLiteral("txtForecast"))->palette().color(QPalette::Text), black);

    // A dark background picked for the forecast gives the theme's light
    // text back; what Apply stores is the reference all the same.
    m_colours->answers.append(0x600000);
    QVERIFY(showTab(1));
    QVERIFY(click(QStringLiteral("Command3")));
    auto* forecast = child<QPlainTextEdit>(QStringLiteral("txtForecast"));
    QTRY_COMPARE(forecast->palette().color(QPalette::Base), QColor(0, 0, 96));
    QCOMPARE(forecast->palette().color(QPalette::Text), QColor(240, 240, 240));
    QVERIFY(click(QStringLiteral("cmdApply")));
    QCOMPARE(m_store->get(QStringLiteral("ForecastForeColor")), windowText);
    QCOMPARE(m_store->get(QStringLiteral("ForecastBackColor")), QStringLiteral(" 6291456"));
}

void TestFrmSettings::applyStoresStationAndState_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("cityCode");
    QTest::addColumn<QString>("state");

    QTest::newRow("entry without a state abbreviation") << 77 << QString() << cancun << QStringLiteral("co");
    QTest::newRow("entry without blank after comma")
        << 8 << QString() << QStringLiteral("ABQ         ALBUQUERQUE,NM") << QStringLiteral("nm");
    QTest::newRow("twin entry keeps its own name")
        << 444 << QString() << QStringLiteral("MBS         SAGINAW, MI") << QStringLiteral("mi");
    QTest::newRow("code typed alone")
        << -1 << QStringLiteral("DEN") << QStringLiteral("DEN") << QStringLiteral("en");
    QTest::newRow("single character typed")
        << -1 << QStringLiteral("x") << QStringLiteral("x") << QStringLiteral("x");
}

void TestFrmSettings::applyStoresStationAndState()
{
    QFETCH(int, row);
    QFETCH(QString, typed);
    QFETCH(QString, cityCode);
    QFETCH(QString, state);

    QVERIFY(open());
    auto* city = child<QComboBox>(QStringLiteral("cmbCity"));
    if (row >= 0) {
        QVERIFY(chooseStation(row));
    } else {
        // Completion only runs in a focused box of an active window.
        m_dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_dialog));
        QTest::mouseClick(city->lineEdit(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(city->lineEdit()->hasFocus(), 5000);
        city->lineEdit()->selectAll();
        QTest::keyClick(city->lineEdit(), Qt::Key_Delete);
        QTest::keyClicks(city->lineEdit(), typed);
    }
    QCOMPARE(city->currentText(), cityCode);
    QCOMPARE(city->count(), StationTable::size);

    QVERIFY(click(QStringLiteral("cmdApply")));
    QCOMPARE(m_store->get(QStringLiteral("CityCode")), cityCode);
    QCOMPARE(m_store->get(QStringLiteral("State")), state);
    QVERIFY(m_dialog);
    QVERIFY(m_dialog->isVisible());

    // The running program picks the new station up only when the dialog closes.
    QCOMPARE(m_signals, QStringList{QStringLiteral("applied")});
    QVERIFY(click(QStringLiteral("cmdCancel")));
    QCOMPARE(m_closings.size(), 1);
    QCOMPARE(m_closings[0].stationCode, cityCode.left(3));
    QCOMPARE(m_closings[0].stateCode, state);
}

// An entry stored before its state was mended (Williamsport is in
// Pennsylvania): nothing is written behind the user's back, and the next
// Apply stores the entry and state of today.
void TestFrmSettings::storedEntryShownAsItReadsToday()
{
    const QString shown = QStringLiteral("IPT         WILLIAMSPORT, PA");
    m_store->set(QStringLiteral("CityCode"), QStringLiteral("IPT         WILLIAMSPORT, VA"));
    m_store->clearLog();
    QVERIFY(open());
    auto* city = child<QComboBox>(QStringLiteral("cmbCity"));
    QCOMPARE(city->currentText(), shown);
    QCOMPARE(city->itemText(city->currentIndex()), shown);
    QVERIFY(m_store->writtenKeys().isEmpty());
    QVERIFY(click(QStringLiteral("cmdApply")));
    QCOMPARE(m_store->get(QStringLiteral("CityCode")), shown);
    QCOMPARE(m_store->get(QStringLiteral("State")), QStringLiteral("pa"));
}

void TestFrmSettings::stationsFoundByName_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("offered");

    QTest::newRow("honolulu") << QStringLiteral("honolulu")
                              << QStringList{QStringLiteral("HNL         HONOLULU, HI")};
    // The table names the island; the airport is Kahului's.
    QTest::newRow("kahului") << QStringLiteral("kahului")
                             << QStringList{QStringLiteral("OGG         MAUI, HI")};
    QTest::newRow("ft worth, against DALLAS/FT.WORTH")
        << QStringLiteral("ft worth") << QStringList{QStringLiteral("DFW         DALLAS/FT.WORTH, TX")};
    QTest::newRow("no match: stored as typed") << QStringLiteral("Zzyzx") << QStringList();
}

void TestFrmSettings::stationsFoundByName()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, offered);

    QVERIFY(open());
    m_dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_dialog));
    auto* city = child<QComboBox>(QStringLiteral("cmbCity"));
    QTest::mouseClick(city->lineEdit(), Qt::LeftButton);
    QTRY_VERIFY(city->lineEdit()->hasFocus());
    city->lineEdit()->selectAll();
    QTest::keyClick(city->lineEdit(), Qt::Key_Delete);
    QTest::keyClicks(city->lineEdit(), typed);

    auto* search = m_dialog->findChild<QCompleter*>(QStringLiteral("stationSearch"));
    QVERIFY(search);
    QAbstractItemView* list = search->popup();
    QStringList shown;
    if (list->isVisible()) {
        for (int row = 0; row < list->model()->rowCount(); ++row)
            shown.append(list->model()->index(row, 0).data().toString());
    }
    QCOMPARE(shown, offered);
    // Only offered: the box holds what was typed.
    QCOMPARE(city->currentText(), typed);

    QString stored = typed;
    if (!offered.isEmpty()) {
        // Chosen from the keyboard, as picking it from the list: the box
        // shows the entry, which is the list's current item too.
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
        QTRY_VERIFY(!list->isVisible());
        stored = offered.constFirst();
        QCOMPARE(city->currentText(), stored);
        QCOMPARE(city->currentIndex(), int(StationTable::entries().indexOf(stored)));
    }
    QVERIFY(click(QStringLiteral("cmdApply")));
    QCOMPARE(m_store->get(QStringLiteral("CityCode")), stored);
    QCOMPARE(m_store->get(QStringLiteral("State")), StationTable::stateCode(stored));
}

void TestFrmSettings::applyWritesEachKeyInOrderThenRepaints()
{
    QVERIFY(open());
    m_store->clearLog();
    QVERIFY(click(QStringLiteral("cmdApply")));

    const QStringList expectedKeys =
        QStringList{QStringLiteral("CityCode"), QStringLiteral("State"), QStringLiteral("Update")} +
        colourKeys + QStringList{QStringLiteral("Region"), QStringLiteral("SysTray")};
    QCOMPARE(m_store->writtenKeys(), expectedKeys);
    const QStringList expectedValues{denver,
                                     QStringLiteral("co"),
                                     QStringLiteral("15"),
                                     windowText,
                                     windowText,
                                     QStringLiteral(" 12648447"),
                                     windowText,
                                     QStringLiteral(" 12648447"),
                                     QStringLiteral(" 12632256"),
                                     QStringLiteral("West"),
                                     QStringLiteral("-1")};
    QStringList values;
    for (const MemorySettingsStore::Operation& operation : m_store->log()) {
        if (operation.write)
            values.append(operation.value);
    }
    QCOMPARE(values, expectedValues);

    // The main window repaints once, from a store that already holds every key.
    QCOMPARE(m_signals, QStringList{QStringLiteral("applied")});
    QCOMPARE(m_writtenWhenApplied, QList<QStringList>{expectedKeys});
}

void TestFrmSettings::okWritesWhatApplyWritesThenCloses()
{
    QVERIFY(open());
    QVERIFY(chooseStation(336));
    auto* update = child<QLineEdit>(QStringLiteral("txtUpdate"));
    update->selectAll();
    QTest::keyClicks(update, QStringLiteral("30"));
    QVERIFY(click(QStringLiteral("optE")));
    QVERIFY(click(QStringLiteral("OptNo")));

    m_store->clearLog();
    QVERIFY(click(QStringLiteral("cmdApply")));
    const QList<MemorySettingsStore::Operation> applied = m_store->log();
    m_signals.clear();

    m_store->clearLog();
    QVERIFY(click(QStringLiteral("cmdOK")));
    const QList<MemorySettingsStore::Operation> okLog = m_store->log();
    QVERIFY(okLog.size() > applied.size());
    for (int index = 0; index < applied.size(); ++index) {
        QCOMPARE(okLog[index].write, applied[index].write);
        QCOMPARE(okLog[index].key, applied[index].key);
        QCOMPARE(okLog[index].value, applied[index].value);
    }
    QStringList afterWrites;
    for (qsizetype index = applied.size(); index < okLog.size(); ++index) {
        QVERIFY(!okLog[index].write);
        afterWrites.append(okLog[index].key);
    }
    QCOMPARE(afterWrites,
             (QStringList{QStringLiteral("CityCode"), QStringLiteral("State"), QStringLiteral("Update")}));
    QCOMPARE(m_signals, (QStringList{QStringLiteral("applied"), QStringLiteral("closing")}));

    QCOMPARE(m_store->get(QStringLiteral("Region")), QStringLiteral("East"));
    QCOMPARE(m_store->get(QStringLiteral("SysTray")), QStringLiteral("0"));
    QCOMPARE(m_closings[0].stationCode, QStringLiteral("MSP"));
    QCOMPARE(m_closings[0].stateCode, QStringLiteral("mn"));
    QCOMPARE(m_closings[0].updateMinutes, qint16(30));
    QTRY_VERIFY_WITH_TIMEOUT(m_dialog.isNull(), 5000);
}

void TestFrmSettings::closingReportsWhatTheStoreHolds_data()
{
    QTest::addColumn<QString>("closer");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("storedUpdate");
    QTest::addColumn<int>("minutes");

    QTest::newRow("Cancel drops a typed interval")
        << QStringLiteral("cmdCancel") << QStringLiteral("30") << QStringLiteral("15") << 15;
    QTest::newRow("close box drops a typed interval")
        << QStringLiteral("close box") << QStringLiteral("30") << QStringLiteral("15") << 15;
    QTest::newRow("OK keeps a typed interval")
        << QStringLiteral("cmdOK") << QStringLiteral("30") << QStringLiteral("30") << 30;
    QTest::newRow("OK with text that is no number")
        << QStringLiteral("cmdOK") << QStringLiteral("soon") << QStringLiteral("soon") << 0;
    QTest::newRow("OK with an interval beyond 16 bits")
        << QStringLiteral("cmdOK") << QStringLiteral("99999") << QStringLiteral("99999") << 32767;
}

void TestFrmSettings::closingReportsWhatTheStoreHolds()
{
    QFETCH(QString, closer);
    QFETCH(QString, typed);
    QFETCH(QString, storedUpdate);
    QFETCH(int, minutes);

    m_store->set(QStringLiteral("CityCode"), QStringLiteral("XY"));
    m_store->set(QStringLiteral("State"), QStringLiteral("zz"));

    QVERIFY(open());
    auto* update = child<QLineEdit>(QStringLiteral("txtUpdate"));
    update->selectAll();
    QTest::keyClicks(update, typed);
    m_store->clearLog();
    closeBy(closer);

    QTRY_VERIFY_WITH_TIMEOUT(m_dialog.isNull(), 5000);
    QCOMPARE(m_store->get(QStringLiteral("Update")), storedUpdate);
    // Read at the close, after anything OK wrote, in this order.
    QCOMPARE(m_store->readKeys(),
             (QStringList{QStringLiteral("CityCode"), QStringLiteral("State"), QStringLiteral("Update")}));
    QCOMPARE(m_signals.count(QStringLiteral("closing")), 1);
    QCOMPARE(m_signals.last(), QStringLiteral("closing"));
    QCOMPARE(m_closings[0].updateMinutes, qint16(minutes));
    QCOMPARE(m_closings[0].stationCode, QStringLiteral("XY"));
    QCOMPARE(m_closings[0].stateCode, m_store->get(QStringLiteral("State")));
}

void TestFrmSettings::defaultsAreWrittenAtOnceAndSurviveCancel()
{
    for (const QString& key : colourKeys)
        m_store->set(key, QStringLiteral(" 255"));
    QVERIFY(open());
    auto* pic = child<QWidget>(QStringLiteral("Pic"));
    QCOMPARE(pic->palette().color(QPalette::Window), QColor(Qt::red));

    QVERIFY(showTab(1));
    m_store->clearLog();
    QVERIFY(click(QStringLiteral("cmdDefault")));
    QCOMPARE(m_store->writtenKeys(), colourKeys);
    QCOMPARE(m_store->readKeys(), colourKeys);
    QCOMPARE(pic->palette().color(QPalette::Window), QColor(192, 192, 192));
    QCOMPARE(child<QLabel>(QStringLiteral("lblLabel"))->palette().color(QPalette::Window),
             QColor(255, 255, 192));
    QCOMPARE(child<QLabel>(QStringLiteral("lblGen"))->palette().color(QPalette::WindowText),
             QApplication::palette().color(QPalette::WindowText));
    // The main window keeps its colours until the next Apply.
    QVERIFY(m_signals.isEmpty());

    QVERIFY(click(QStringLiteral("cmdCancel")));
    for (const FirstStart::ColourDefault& colour : FirstStart::colourDefaults())
        QCOMPARE(m_store->get(colour.key).toInt(), colour.value);
    QCOMPARE(m_signals, QStringList{QStringLiteral("closing")});
}

void TestFrmSettings::pickingAColour_data()
{
    QTest::addColumn<QString>("picker");
    QTest::addColumn<Colour>("answer");
    QTest::addColumn<QString>("preview");
    QTest::addColumn<QPalette::ColorRole>("role");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");

    const QString pic = QStringLiteral("Pic");
    const QString label = QStringLiteral("lblLabel");
    const QString forecast = QStringLiteral("txtForecast");
    const Colour blue = 0xFF0000;
    QTest::newRow("caption text") << QStringLiteral("Command1") << blue << QStringLiteral("lblGen")
                                  << QPalette::WindowText << colourKeys[0] << QStringLiteral(" 16711680");
    QTest::newRow("conditions text") << QStringLiteral("cmdForeColor") << blue << label
                                     << QPalette::WindowText << colourKeys[1] << QStringLiteral(" 16711680");
    QTest::newRow("conditions background") << QStringLiteral("cmdBack") << blue << label << QPalette::Window
                                           << colourKeys[2] << QStringLiteral(" 16711680");
    QTest::newRow("forecast text") << QStringLiteral("Command4") << blue << forecast << QPalette::Text
                                   << colourKeys[3] << QStringLiteral(" 16711680");
    QTest::newRow("forecast background") << QStringLiteral("Command3") << blue << forecast << QPalette::Base
                                         << colourKeys[4] << QStringLiteral(" 16711680");
    QTest::newRow("window background") << QStringLiteral("Command6") << blue << pic << QPalette::Window
                                       << colourKeys[5] << QStringLiteral(" 16711680");
    QTest::newRow("black is a choice") << QStringLiteral("Command6") << Colour(0) << pic << QPalette::Window
                                       << colourKeys[5] << QStringLiteral(" 0");
    QTest::newRow("cancelled choice changes nothing")
        << QStringLiteral("Command6") << Colour() << pic << QPalette::Window << colourKeys[5]
        << QStringLiteral(" 12632256");
    QTest::newRow("cancelled choice keeps a system colour")
        << QStringLiteral("Command1") << Colour() << QStringLiteral("lblGen") << QPalette::WindowText
        << colourKeys[0] << windowText;
}

void TestFrmSettings::pickingAColour()
{
    QFETCH(QString, picker);
    QFETCH(Colour, answer);
    QFETCH(QString, preview);
    QFETCH(QPalette::ColorRole, role);
    QFETCH(QString, key);
    QFETCH(QString, stored);

    m_colours->answers.append(answer);
    QVERIFY(open());
    QWidget* target = child<QWidget>(preview);
    const QColor before = target->palette().color(role);

    QVERIFY(showTab(1));
    m_store->clearLog();
    QVERIFY(click(picker));
    QCOMPARE(m_colours->calls, 1);
    QCOMPARE(m_colours->lastParent, static_cast<QWidget*>(m_dialog.data()));
    QVERIFY(m_store->log().isEmpty());

    const QColor expected =
        answer ? QColor(*answer & 0xFF, (*answer >> 8) & 0xFF, (*answer >> 16) & 0xFF) : before;
    QTRY_COMPARE(target->palette().color(role), expected);

    QVERIFY(click(QStringLiteral("cmdApply")));
    QCOMPARE(m_store->get(key), stored);
    for (const FirstStart::ColourDefault& colour : FirstStart::colourDefaults()) {
        if (colour.key != key)
            QCOMPARE(m_store->get(colour.key).toInt(), colour.value);
    }
}

void TestFrmSettings::unrecognisedChoicesSelectNothingAndStayUnwritten_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("written");

    const QString region = QStringLiteral("Region");
    const QString sysTray = QStringLiteral("SysTray");
    QTest::newRow("region absent") << region << QString() << QString() << QString();
    QTest::newRow("region in lower case") << region << QStringLiteral("east") << QString() << QString();
    QTest::newRow("region with trailing blank") << region << QStringLiteral("US ") << QString() << QString();
    QTest::newRow("region US") << region << QStringLiteral("US") << QStringLiteral("optUS")
                               << QStringLiteral("US");
    QTest::newRow("tray hand-written 1") << sysTray << QStringLiteral("1") << QString() << QString();
    QTest::newRow("tray absent reads as No")
        << sysTray << QString() << QStringLiteral("OptNo") << QStringLiteral("0");
    QTest::newRow("tray -1 with trailing text")
        << sysTray << QStringLiteral("-1 yes") << QStringLiteral("optYes") << QStringLiteral("-1");
}

void TestFrmSettings::unrecognisedChoicesSelectNothingAndStayUnwritten()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, selected);
    QFETCH(QString, written);

    if (value.isNull())
        m_store->remove(key);
    else
        m_store->set(key, value);
    QVERIFY(open());

    const QStringList group =
        key == QLatin1String("Region")
            ? QStringList{QStringLiteral("optE"), QStringLiteral("optW"), QStringLiteral("optUS")}
            : QStringList{QStringLiteral("optYes"), QStringLiteral("OptNo")};
    for (const QString& option : group)
        QCOMPARE(child<QRadioButton>(option)->isChecked(), option == selected);

    m_store->clearLog();
    QVERIFY(click(QStringLiteral("cmdApply")));
    QCOMPARE(m_store->writtenKeys().contains(key), !written.isNull());
    if (written.isNull())
        QCOMPARE(m_store->has(key), !value.isNull());
    else
        QCOMPARE(m_store->get(key), written);
}

void TestFrmSettings::qtColorDialogAnswers_data()
{
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<Colour>("expected");

    QTest::newRow("red is the low byte") << true << QColor(255, 0, 0) << Colour(0x0000FF);
    QTest::newRow("blue is the high byte") << true << QColor(0, 0, 255) << Colour(0xFF0000);
    QTest::newRow("black is a choice") << true << QColor(Qt::black) << Colour(0);
    QTest::newRow("cancelled gives nothing") << false << QColor(255, 0, 0) << Colour();
}

void TestFrmSettings::qtColorDialogAnswers()
{
    QFETCH(bool, accept);
    QFETCH(QColor, colour);
    QFETCH(Colour, expected);

    bool wasModal = false;
    int polls = 0;
    QTimer driver;
    driver.setInterval(10);
    connect(&driver, &QTimer::timeout, this, [&] {
        const QList<QWidget*> windows = QApplication::topLevelWidgets();
        for (QWidget* window : windows) {
            auto* dialog = qobject_cast<QColorDialog*>(window);
            if (dialog == nullptr || !dialog->isVisible())
                continue;
            driver.stop();
            wasModal = dialog->isModal();
            dialog->setCurrentColor(colour);
            if (accept)
                dialog->accept();
            else
                dialog->reject();
            return;
        }
        // Bounded: a dialog that never shows up must not hang the run.
        if (++polls > 1000)
            driver.stop();
    });
    driver.start();

    QWidget parent;
    QtColorDialog dialog;
    std::optional<Colour> answer;
    dialog.chooseColor(&parent, [&answer](Colour chosen) { answer = chosen; });
    QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), 10000);
    QVERIFY(wasModal);
    QCOMPARE(*answer, expected);
}

void TestFrmSettings::failedSaveWarnsAndKeepsWhatWasEntered_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("Apply") << QStringLiteral("cmdApply");
    QTest::newRow("OK") << QStringLiteral("cmdOK");
}

void TestFrmSettings::failedSaveWarnsAndKeepsWhatWasEntered()
{
    QFETCH(QString, button);
    QVERIFY(open());
    auto* update = child<QLineEdit>(QStringLiteral("txtUpdate"));
    update->setText(QStringLiteral("30"));
    QVERIFY(chooseStation(StationTable::entries().indexOf(cancun)));
    const QString reason = QStringLiteral("/home/u/.config/Ventaro/Ventaro.ini: No space left on device");
    m_store->failWritesWith = reason;

    QVERIFY(click(button));
    auto* warning = m_dialog->findChild<QMessageBox*>(QStringLiteral("writeFailure"));
    QVERIFY(warning != nullptr);
    QTRY_VERIFY(warning->isVisible());
    // Over the dialog only: the main window behind stays usable.
    QCOMPARE(warning->windowModality(), Qt::WindowModal);
    QVERIFY2(warning->informativeText().contains(reason), qPrintable(warning->informativeText()));
    QVERIFY(m_dialog && m_dialog->isVisible());
    QCOMPARE(update->text(), QStringLiteral("30"));
    QCOMPARE(child<QComboBox>(QStringLiteral("cmbCity"))->currentText(), cancun);
    QCOMPARE(m_store->get(QStringLiteral("Update")), QStringLiteral("15"));
    QVERIFY(m_closings.isEmpty());

    // Once the store takes writes again, OK saves what was entered.
    warning->accept();
    m_store->failWritesWith.clear();
    QVERIFY(click(QStringLiteral("cmdOK")));
    QTRY_VERIFY(m_dialog.isNull());
    QCOMPARE(m_store->get(QStringLiteral("Update")), QStringLiteral("30"));
    QCOMPARE(m_store->get(QStringLiteral("CityCode")), cancun);
    QCOMPARE(m_closings.size(), 1);
    QCOMPARE(m_closings[0].stationCode, QStringLiteral("CUN"));
    QCOMPARE(m_closings[0].stateCode, QStringLiteral("co"));
    QCOMPARE(m_closings[0].updateMinutes, qint16(30));
}

void TestFrmSettings::switchesOnGeneral_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored"); // null: absent
    QTest::addColumn<bool>("on");
    const QString alerts = QStringLiteral("AlertNotify");
    QTest::newRow("alerts absent, as after a first start: on") << alerts << QString() << true;
    QTest::newRow("alerts -1: on") << alerts << QStringLiteral("-1") << true;
    QTest::newRow("alerts 0: off") << alerts << QStringLiteral("0") << false;
    QTest::newRow("alerts 0 with trailing text: off") << alerts << QStringLiteral(" 0 no") << false;
    QTest::newRow("alerts hand-written no number: on") << alerts << QStringLiteral("off") << true;
    // Off unless chosen, so first starts and older stores keep the sky.
    const QString tray = QStringLiteral("TrayTemperature");
    QTest::newRow("temperature absent, as after a first start or before: off") << tray << QString() << false;
    QTest::newRow("temperature -1: on") << tray << QStringLiteral("-1") << true;
    QTest::newRow("temperature 0: off") << tray << QStringLiteral("0") << false;
    QTest::newRow("temperature another number: on") << tray << QStringLiteral(" 1") << true;
    QTest::newRow("temperature hand-written no number: off") << tray << QStringLiteral("yes") << false;
}

void TestFrmSettings::switchesOnGeneral()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(bool, on);
    if (!stored.isNull())
        m_store->set(key, stored);
    QVERIFY(open());
    const bool alerts = key == QLatin1String("AlertNotify");
    const QString name = alerts ? QStringLiteral("chkAlerts") : QStringLiteral("chkTrayTemperature");
    auto* box = child<QCheckBox>(name);
    QVERIFY(box);
    QCOMPARE(box->isChecked(), on);

    // Alerts beside the update box, the temperature under the tray options,
    // clear of every other control on the tab but the borderless frames
    // that only group options.
    auto* tabs = child<QTabWidget>(QStringLiteral("SSTab1"));
    QCOMPARE(QRect(box->mapTo(tabs, QPoint(0, 0)), box->size()),
             alerts ? Twips::rect(3480, 1118, 3615, 255) : Twips::rect(2280, 2880, 4575, 255));
    QWidget* page = tabs->widget(0);
    for (const QWidget* control : page->findChildren<QWidget*>()) {
        const auto* frame = qobject_cast<const QFrame*>(control);
        if (control == box || control->isWindow() || !control->isVisibleTo(page) ||
            (frame && frame->metaObject() == &QFrame::staticMetaObject &&
             frame->frameShape() == QFrame::NoFrame))
            continue;
        QVERIFY2(!QRect(control->mapTo(page, QPoint(0, 0)), control->size())
                      .intersects(QRect(box->mapTo(page, QPoint(0, 0)), box->size())),
                 qPrintable(control->objectName()));
    }

    // Unchanged, Apply leaves the key as it was; changed, it is written as
    // SysTray is, once.
    QVERIFY(click(QStringLiteral("cmdApply")));
    QVERIFY(!m_store->writtenKeys().contains(key));
    QVERIFY(click(name));
    QCOMPARE(box->isChecked(), !on);
    m_store->clearLog();
    QVERIFY(click(QStringLiteral("cmdApply")));
    QCOMPARE(m_store->writtenKeys().last(), key);
    QCOMPARE(m_store->get(key), on ? QStringLiteral("0") : QStringLiteral("-1"));
    m_store->clearLog();
    QVERIFY(click(QStringLiteral("cmdApply")));
    QVERIFY(!m_store->writtenKeys().contains(key));
}

QTEST_MAIN(TestFrmSettings)
#include "tst_frmsettings.moc"
