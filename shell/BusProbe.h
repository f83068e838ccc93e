#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>
#include <chrono>
#include <optional>

Q_DECLARE_LOGGING_CATEGORY(lcBus)

// Whether a D-Bus message bus answers at all, asked without Qt's D-Bus
// library: that library connects with calls that block until the bus
// answers, and a bus that takes the connection and never answers (frozen,
// or an impostor on its socket) would hold the thread that asked for good,
// the window's among them. Safe on any thread; needs no event loop.
namespace BusProbe {

// The address the D-Bus library connects to for the session or the system
// bus, as the environment names it ("unix:path=/run/user/1000/bus"); the
// system bus's well-known socket when the environment names none; empty for
// a session bus the environment names none of (the library then finds or
// starts one by other means, which this does not try).
QByteArray sessionAddress();
QByteArray systemAddress();

// Opens a connection to the bus at `address` and asks it to begin
// authentication. Nothing when it is no danger to connect to: it answered
// within `timeout`, refused or closed the connection (the library then
// fails at once too), or the address names a transport other than a local
// socket (left to the library, as before). Otherwise why it is one: it took
// the connection and said nothing in time.
std::optional<QString> silence(const QByteArray& address, std::chrono::milliseconds timeout);

} // namespace BusProbe
