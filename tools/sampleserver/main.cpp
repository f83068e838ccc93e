#include "support/SampleServer.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
// A signal handler may only do async-signal-safe things; it writes one
// byte here and the event loop, reading the other end, quits.
int signalPipe[2] = {-1, -1};

void onTerminate(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[0], &byte, 1);
}

bool quitOnTerminate(QCoreApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return false;
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [notifier] {
        notifier->setEnabled(false);
        char byte = 0;
        [[maybe_unused]] const auto got = ::read(signalPipe[1], &byte, 1);
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return sigaction(SIGTERM, &action, nullptr) == 0 && sigaction(SIGINT, &action, nullptr) == 0;
}
#endif

} // namespace

int main(int argc, char* argv[])
{
    // The server draws its pictures with fonts but shows no window, so it
    // needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ventaro-sample-server"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Serves sample weather pages and satellite pictures on 127.0.0.1."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on; 0 picks a free one."),
                                        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption crlfOption(QStringLiteral("crlf"),
                                        QStringLiteral("End the lines of pages with CR LF."));
    const QCommandLineOption liveOption(
        QStringLiteral("live"),
        QStringLiteral(
            "Serve the live fixtures (decoded observations, station and zone records, zone forecast "
            "products, alerts, satellite pictures) at the paths of the live layer's default "
            "addresses."));
    const QCommandLineOption alertsOption(
        QStringLiteral("alerts"),
        QStringLiteral(
            "With --live: the alerts in force, moved to lie around today, comma-separated: none, one, "
            "two, update, cancel (Denver's zone), county (a warning of Denver's county), firezone "
            "(a Red Flag Warning of Denver's fire weather zone), twice (a warning listed under two "
            "areas), or fail (the service's error)."),
        QStringLiteral("fixture"), QStringLiteral("one"));
    const QCommandLineOption faultOption(
        QStringLiteral("fault"),
        QStringLiteral("Misbehave on every request: none, refuse, hang, reset, trickle, 404, 500, 503, "
                       "nomarkup, huge, 429."),
        QStringLiteral("kind"), QStringLiteral("none"));
    const QCommandLineOption trickleOption(
        QStringLiteral("trickle-interval"),
        QStringLiteral("With --fault trickle: milliseconds between two pieces."), QStringLiteral("ms"),
        QStringLiteral("20"));
    parser.addOption(portOption);
    parser.addOption(trickleOption);
    parser.addOption(crlfOption);
    parser.addOption(liveOption);
    parser.addOption(alertsOption);
    parser.addOption(faultOption);
    parser.process(app);

    bool portOk = false;
    const quint16 port = parser.value(portOption).toUShort(&portOk);
    if (!portOk) {
        std::fprintf(stderr, "ventaro-sample-server: not a port: %s\n", qPrintable(parser.value(portOption)));
        return 2;
    }
    const QStringList alertFixtures{
        QStringLiteral("none"),     QStringLiteral("one"),    QStringLiteral("two"),
        QStringLiteral("update"),   QStringLiteral("cancel"), QStringLiteral("county"),
        QStringLiteral("firezone"), QStringLiteral("twice"),  QStringLiteral("fail")};
    const QStringList chosenAlerts = parser.value(alertsOption).split(QLatin1Char(','));
    if (!std::all_of(chosenAlerts.begin(), chosenAlerts.end(),
                     [&alertFixtures](const QString& name) { return alertFixtures.contains(name); }) ||
        (chosenAlerts.size() > 1 && chosenAlerts.contains(QStringLiteral("fail")))) {
        std::fprintf(stderr, "ventaro-sample-server: unknown alerts: %s\n",
                     qPrintable(parser.value(alertsOption)));
        return 2;
    }
    const std::optional<SampleServer::Fault> fault = SampleServer::faultFromName(parser.value(faultOption));
    if (!fault) {
        std::fprintf(stderr, "ventaro-sample-server: unknown fault: %s\n",
                     qPrintable(parser.value(faultOption)));
        return 2;
    }

    bool intervalOk = false;
    const int trickleInterval = parser.value(trickleOption).toInt(&intervalOk);
    if (!intervalOk || trickleInterval < 0) {
        std::fprintf(stderr, "ventaro-sample-server: not an interval: %s\n",
                     qPrintable(parser.value(trickleOption)));
        return 2;
    }

#ifdef Q_OS_UNIX
    if (!quitOnTerminate(app))
        std::fprintf(stderr, "ventaro-sample-server: SIGTERM and SIGINT end the process abruptly\n");
#endif

    SampleServer server;
    server.setCrlf(parser.isSet(crlfOption));
    server.setLive(parser.isSet(liveOption));
    server.setAlerts(parser.value(alertsOption));
    server.setAlertsCurrent(true);
    server.setTrickleInterval(std::chrono::milliseconds(trickleInterval));
    if (!server.listen(port)) {
        std::fprintf(stderr, "ventaro-sample-server: cannot listen on 127.0.0.1:%u: %s\n", unsigned{port},
                     qPrintable(server.errorString()));
        return 1;
    }
    server.setFault(*fault);
    QObject::connect(&server, &SampleServer::requestReceived,
                     [](const QString& path) { std::fprintf(stderr, "GET %s\n", qPrintable(path)); });

    std::printf("listening on %s\n", qPrintable(server.host()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
