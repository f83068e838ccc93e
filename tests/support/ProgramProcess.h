#pragma once

#include <QProcess>
#include <QString>

// Waiting on the real program run as a child process, for the last thing
// each stage of its start does rather than for something on the way.
namespace ProgramProcess {

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
