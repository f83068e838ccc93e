#include "EventLoopYielder.h"
#include "FontWarmUp.h"
#include "ModuleState.h"
#include "QtColorDialog.h"
#include "QtHttpClient.h"
#include "QtSettingsStore.h"
#include "QtTrayIcons.h"
#include "Resources.h"
#include "ServerHosts.h"
#include "SingleInstance.h"
#include "SkyClasses.h"
#include "TerminationSignals.h"
#include "frmForecast.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QSessionManager>
#include <cstdio>

Q_LOGGING_CATEGORY(lcInstance, "ventaro.instance")

namespace {

QList<QtTrayIcons::Design> trayDesign()
{
    QList<QtTrayIcons::Design> design;
    for (int index = 0; index < SkyClasses::iconCount; ++index) {
        const bool startUp = index == SkyClasses::StartUp;
        design.append({trayIcon(index), startUp ? QStringLiteral("Ventaro") : QStringLiteral(".")});
    }
    return design;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ventaro"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(VENTARO_VERSION_MAJOR)
                                            .arg(VENTARO_VERSION_MINOR)
                                            .arg(VENTARO_VERSION_PATCH));
    QApplication::setDesktopFileName(QStringLiteral("io.github.ventaro.Ventaro"));
    // The main window hides rather than closes; the program ends only
    // through its own quit path.
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance;
    switch (instance.acquire()) {
    case SingleInstance::Outcome::Acquired:
        break;
    case SingleInstance::Outcome::Running: {
        // Ends at once, reading and writing no setting; the line tells a
        // start from a terminal or a launcher's log why nothing opened.
        const qint64 pid = instance.runningPid();
        const QByteArray which = pid > 0 ? " (process " + QByteArray::number(pid) + ')' : QByteArray();
        std::fprintf(stderr, "ventaro: already running%s\n", which.constData());
        return 0;
    }
    case SingleInstance::Outcome::NoPlace:
        // Refusing to start for want of a lock would leave the user with no
        // program at all; running unguarded is the lesser harm.
        qCWarning(lcInstance, "no lock file could be made; a second start would not be refused");
        break;
    }
    // Fonts are prepared alongside the building of the window, which
    // needs them only once it reaches its first text box.
    FontWarmUp fonts;

    initVentaroResources();
    QtSettingsStore store;
    QtHttpClient http;
    EventLoopYielder yielder;
    // The notification-area icons go up once the window has had time to
    // paint, so they do not delay the first sight of it.
    QtTrayIcons tray(trayDesign(), std::chrono::milliseconds(250));
    QtColorDialog colorDialog;
    ModuleState state;

    frmForecast window({store, http, yielder, tray, colorDialog, state, ServerHosts::fromEnvironment()});
    QObject::connect(&window, &frmForecast::programEnding, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    // Logging out, shutting down and termination signals end the program
    // as "Unload Ventaro" does, even while it lives in the tray.
    TerminationSignals signals_;
    QObject::connect(&signals_, &TerminationSignals::terminationRequested, &window,
                     &frmForecast::mnuUnload_Click);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.mnuUnload_Click(); });

    window.Form_Load();
    return QApplication::exec();
}
