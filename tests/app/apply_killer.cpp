// Opens the settings dialog on a store in the given directory and presses
// Apply for ever, switching the station box between the two given entries
// before each press and printing a line after each Apply, until killed.
//
// usage: apply_killer DIRECTORY ENTRY ENTRY
#include "FakeColorDialog.h"
#include "resources/Resources.h"
#include "settings/FirstStart.h"
#include "settings/QtSettingsStore.h"
#include "settingsdialog/frmSettings.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

namespace {

// Fixed sizes rather than the screen's, so the test can work out the
// first-start values the store must hold without asking a screen.
constexpr QSizeF screenTwips(1280.0 * 15, 1024.0 * 15);
constexpr QSizeF windowTwips(7350, 4065);

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: apply_killer DIRECTORY ENTRY ENTRY\n");
        return 2;
    }
    initVentaroResources();
    QtSettingsStore store(QString::fromLocal8Bit(argv[1]));
    const QString entries[2] = {QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3])};

    InitializeSettings(store, screenTwips, windowTwips, QStringLiteral("100"));

    FakeColorDialog colours;
    // Never closed: the dialog deletes itself only on close, and the loop
    // ends by the kill.
    auto* dialog = new frmSettings(store, colours);
    dialog->show();
    auto* city = dialog->findChild<QComboBox*>(QStringLiteral("cmbCity"));
    auto* apply = dialog->findChild<QPushButton*>(QStringLiteral("cmdApply"));
    if (city == nullptr || apply == nullptr) {
        std::fprintf(stderr, "apply_killer: the dialog has no cmbCity or cmdApply\n");
        return 3;
    }

    unsigned long applied = 0;
    QObject::connect(dialog, &frmSettings::applied, dialog, [&applied] {
        std::printf("%lu\n", applied++);
        std::fflush(stdout);
    });

    // One Apply per pass of the event loop, so whatever the dialog leaves
    // to the loop runs between them as it would for a user.
    unsigned long pressed = 0;
    QTimer presser;
    QObject::connect(&presser, &QTimer::timeout, dialog, [&] {
        const QString& entry = entries[pressed++ % 2];
        // Picked from the list as a user would; the edit text is set too,
        // as picking the row already current would leave it unchanged.
        city->setCurrentIndex(city->findText(entry, Qt::MatchExactly | Qt::MatchCaseSensitive));
        city->setEditText(entry);
        apply->click();
    });
    presser.start(0);
    return app.exec();
}
