#include "CommandLine.h"
#include "ForecastSession.h"
#include "ShowRequests.h"
#include "TrayDesign.h"
#include "WeatherSources.h"
#include "frmForecast.h"
#include "net/Network.h"
#include "net/SystemClock.h"
#include "net/TlsWarmUp.h"
#include "resources/Resources.h"
#include "settings/QtSettingsStore.h"
#include "shell/BusProbe.h"
#include "shell/FontWarmUp.h"
#include "shell/InstanceChannel.h"
#include "shell/NoDisplayExit.h"
#include "shell/QtColorDialog.h"
#include "shell/QtNotifier.h"
#include "shell/QtTrayIcons.h"
#include "shell/SessionEvents.h"
#include "shell/SingleInstance.h"
#include "shell/TerminationSignals.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QSessionManager>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>
#include <future>

namespace {

// The weather service's API asks every client to name itself and a way to
// reach its makers.
QByteArray userAgent()
{
    return QByteArrayLiteral("Ventaro/") + QByteArray(VENTARO_VERSION_STRING) +
           QByteArrayLiteral(" (https://ventaro.example/; dev@ventaro.example)");
}

// The exit status of a start that found the program running but could not
// reach it.
constexpr int unreachableStatus = 3;

} // namespace

int main(int argc, char* argv[])
{
    QApplication::setApplicationName(QStringLiteral("Ventaro"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(VENTARO_VERSION_MAJOR)
                                            .arg(VENTARO_VERSION_MINOR)
                                            .arg(VENTARO_VERSION_PATCH));
    // Read before the application object, which needs a display: --help
    // and --version answer from a text console too.
    const CommandLine::Outcome commandLine = CommandLine::read(argc, argv);
    if (commandLine.exitStatus)
        return *commandLine.exitStatus;
    // The tokens a launcher hands a start, for a running program to raise
    // its window with. Taken before the application object, whose X11
    // plugin removes DESKTOP_STARTUP_ID from the environment as it starts.
    const QByteArray activationToken = qgetenv("XDG_ACTIVATION_TOKEN");
    const QByteArray startupId = qgetenv("DESKTOP_STARTUP_ID");
    // Qt's D-Bus library connects with calls that wait for the bus, the
    // first of them from the building of the window (its accessibility
    // bridge), then the notifications and the system's news; a bus that
    // takes connections and never answers would hold the program for good.
    // Both buses are asked beside the start-up, which waits for the answers
    // only before the window is built, a second at most.
    constexpr std::chrono::milliseconds busAnswer{1000};
    auto sessionSilence =
        std::async(std::launch::async, [sessionBus = BusProbe::sessionAddress(), busAnswer] {
            return BusProbe::silence(sessionBus, busAnswer);
        });
    auto systemSilence = std::async(std::launch::async, [systemBus = BusProbe::systemAddress(), busAnswer] {
        return BusProbe::silence(systemBus, busAnswer);
    });

    // Without a display Qt would abort with a core dump; the program ends
    // with a line saying why instead.
    NoDisplayExit::arm("ventaro",
                       commandLine.platformChosen || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    NoDisplayExit::disarm();
    QApplication::setDesktopFileName(QStringLiteral("io.github.ventaro.Ventaro"));
    // The main window hides rather than closes; the program ends only
    // through its own quit path.
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance;
    switch (instance.acquire()) {
    case SingleInstance::Outcome::Acquired:
        break;
    case SingleInstance::Outcome::Running: {
        // Ends at once, reading and writing no setting, once it has asked
        // the running one to bring its window forward: starting the
        // program again from the menu is how users look for a window
        // hidden in the tray. The line tells a start from a terminal or a
        // launcher's log what happened.
        const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
        const QByteArray token = wayland && !activationToken.isEmpty() ? activationToken : startupId;
        const InstanceChannel::Delivery delivery = InstanceChannel::requestShow(instance.socketPath(), token);
        const qint64 pid = instance.runningPid();
        const QByteArray which = pid > 0 ? " (process " + QByteArray::number(pid) + ')' : QByteArray();
        if (delivery.taken) {
            std::fprintf(stderr, "ventaro: already running%s\n", which.constData());
            return 0;
        }
        // A program that does not answer cannot show its window; saying
        // all is well would leave the user looking for one.
        std::fprintf(stderr, "ventaro: already running%s, but cannot be reached: %s\n", which.constData(),
                     qPrintable(delivery.problem));
        return unreachableStatus;
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
    // The program's one clock: every reading of the time goes through it.
    SystemClock clock;
    Network network({}, &clock);
    network.setUserAgent(userAgent());
    // The service's answers and what was learnt of the stations are kept
    // where a desktop keeps what can be thrown away.
    const QString cacheFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/Ventaro");
    network.useCache(cacheFolder + QStringLiteral("/http"), 16 * 1024 * 1024);
    WeatherSources sources(network, ServerHosts::fromEnvironment(), SourceTemplates::fromEnvironment(),
                           cacheFolder);
    // The configured hosts keep their direct connections; the service is
    // reached as the system's proxy settings say.
    network.useSystemProxies(sources.anyLive(), sources.directHosts());
    TlsWarmUp tls;
    // The notification-area icons go up once the window has had time to
    // paint, so they do not delay the first sight of it.
    QtTrayIcons tray(trayDesign(), std::chrono::milliseconds(250));
    QtColorDialog colorDialog;
    QtNotifier::Options notifications;
    notifications.applicationName = QApplication::applicationName();
    notifications.iconName = QStringLiteral("io.github.ventaro.Ventaro");
    notifications.desktopEntry = QApplication::desktopFileName();
    QtNotifier notifier(tray, notifications);

    SessionEvents sessionEvents;

    if (const std::optional<QString> silent = sessionSilence.get()) {
        qCWarning(lcBus).noquote() << "the session bus is not used:" << *silent;
        // An address that fails at once, so that nothing in the program
        // waits on the silent one.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/dev/null/silent-session-bus");
    }
    const std::optional<QString> systemSilent = systemSilence.get();
    if (systemSilent)
        qCWarning(lcBus).noquote() << "waking and the network coming back are not followed:" << *systemSilent;

    ForecastSession session({store, sources.pages(), notifier, clock});
    QObject::connect(&sessionEvents, &SessionEvents::resumed, &session, &ForecastSession::sessionEvent);
    QObject::connect(&sessionEvents, &SessionEvents::networkReturned, &session,
                     &ForecastSession::sessionEvent);
    frmForecast window({store, session, network, tray, colorDialog,
                        [&sources](const QString& path) { return sources.satellitePicture(path); }});
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
    // The service is reached over HTTPS; its library is loaded once the
    // window has had time to paint, so it does not delay the first sight
    // of it.
    if (sources.anyLive())
        QTimer::singleShot(250, &window, [&tls] { tls.start(); });
    // Sleep and network news are wanted only once the window is up.
    if (!systemSilent)
        QTimer::singleShot(250, &window, [&sessionEvents] { sessionEvents.start(); });

    // Listening comes last, so a later start that gets through finds the
    // window built and placed; the socket showing up is the sign that the
    // start-up has finished.
    InstanceChannel requests(instance.socketPath());
    ShowRequests::serve(requests, window);
    if (!instance.socketPath().isEmpty() && !requests.listen())
        qCWarning(lcInstance, "a later start cannot reach this one: %s", qPrintable(requests.errorString()));
    return QApplication::exec();
}
