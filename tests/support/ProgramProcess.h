#pragma once

#include <QProcess>
#include <QString>

// Waiting on the real program run as a child process, for the last thing
// each stage of its start does rather than for something on the way.
namespace ProgramProcess {

// This process's environment, as the program is started in, but with a
// session bus address that fails at once. Without one, the D-Bus library
// looks for a bus to start through the X server by running a helper from a
// process that already has threads, a start that can hang for good (the
// program then never finishes starting); and a developer's own bus would
// get the tests' tray icons and notifications. A test that wants a bus sets
// its address over this one.
QProcessEnvironment environmentWithoutBus();

// True once the process handles SIGTERM itself. The program installs its
// handler right before loading the main window, and a signal caught from
// then on is served by the event loop once the start-up has finished, so
// the program's own quit path runs. False if the process ends first or
// `timeoutMs` passes.
bool waitUntilHandlesTermination(QProcess& process, int timeoutMs = 30000);

// True once the settings file at `iniPath` holds the mark of an
// initialised store, which a first start writes last. False if the process
// ends first or `timeoutMs` passes.
bool waitForInitialisedStore(QProcess& process, const QString& iniPath, int timeoutMs = 30000);

// True once the program accepts connections on the socket at
// `socketPath`, where it listens for later starts. Listening is the last
// thing its start-up does. False if the process ends first or `timeoutMs`
// passes.
bool waitUntilAnswering(QProcess& process, const QString& socketPath, int timeoutMs = 30000);

} // namespace ProgramProcess
