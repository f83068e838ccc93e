#pragma once

#include <QByteArray>

// Qt ends the process with abort(), and so with a core dump, when its
// application object finds no display to open windows on. Started from a
// text console, an ssh session or a service, the program should rather
// say so in one line and end.
namespace NoDisplayExit {

// From here until disarm(), Qt's messages are held back, and a fatal one
// ends the process at once with exit status 1 after a single line on
// standard error: `program`, ": cannot open a window: " and the reason.
// `platformChosen` tells that a platform was named (QT_QPA_PLATFORM,
// -platform), so that no display set is not the reason to give.
void arm(const QByteArray& program, bool platformChosen);

// Puts back the message handler that was installed before arm() and
// passes it the messages held back, in their order.
void disarm();

inline constexpr int exitStatus = 1;

} // namespace NoDisplayExit
