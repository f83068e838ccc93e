#include "FontWarmUp.h"
#include "Network.h"
#include "QtColorDialog.h"
#include "QtSettingsStore.h"
#include "QtTrayIcons.h"
#include "Resources.h"
#include "ServerHosts.h"
#include "ServerWeatherSource.h"
#include "SingleInstance.h"
#include "TerminationSignals.h"
#include "TrayDesign.h"
#include "frmForecast.h"

#include <QApplication>
#include <QSessionManager>

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
    if (!instance.acquire())
        return 0;
    // Fonts are prepared alongside the building of the window, which
    // needs them only once it reaches its first text box.
    FontWarmUp fonts;

    initVentaroResources();
    QtSettingsStore store;
    Network network;
    const ServerHosts hosts = ServerHosts::fromEnvironment();
    ServerWeatherSource weather(network, hosts);
    // The notification-area icons go up once the window has had time to
    // paint, so they do not delay the first sight of it.
    QtTrayIcons tray(trayDesign(), std::chrono::milliseconds(250));
    QtColorDialog colorDialog;

    frmForecast window(
        {store, weather, network, tray, colorDialog, [satellite = hosts.satellite](const QString& path) {
             return ServerHosts::httpUrl(satellite, path);
         }});
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
