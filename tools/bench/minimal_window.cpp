// The floor the whole-program benchmarks measure against: a Qt Widgets
// program that shows one empty window of the main window's size and waits,
// built with the project's flags. It ends on SIGTERM or SIGINT as the
// program does, so both are stopped the same way.
#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[0], &byte, 1);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return 1;
    QSocketNotifier notifier(g_signalPipe[1], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal window"));
    // The main window's designed client size (7230 x 3750 twips).
    window.setFixedSize(482, 250);
    window.show();
    return QApplication::exec();
}
