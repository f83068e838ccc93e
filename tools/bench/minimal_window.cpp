// The floor the whole-program benchmarks measure against: a Qt Widgets
// program that shows one empty window of the main window's size and waits,
// built with the project's flags. It ends on SIGTERM or SIGINT as the
// program does, so both are stopped the same way.
//
// With --tls it also loads the TLS library as the program does, a quarter
// of a second after showing its window: the floor of what any program that
// speaks HTTPS costs.
#include "net/TlsWarmUp.h"
#include "shell/TerminationSignals.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    TerminationSignals signals_;
    QObject::connect(&signals_, &TerminationSignals::terminationRequested, &app, &QCoreApplication::quit);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal window"));
    // The main window's designed client size (7230 x 3750 twips).
    window.setFixedSize(482, 250);
    window.show();

    TlsWarmUp tls;
    if (QCoreApplication::arguments().contains(QStringLiteral("--tls")))
        QTimer::singleShot(250, &window, [&tls] { tls.start(); });
    return QApplication::exec();
}
