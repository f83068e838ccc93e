#pragma once

#include <QLoggingCategory>

class InstanceChannel;
class frmForecast;

// A later start's request to see the running program: the main window
// comes back as the tray menu's "Display Ventaro" brings it, restored if
// minimised and in front of the others. Nothing comes back once the
// program is ending.
// The one running instance and the starts that find it running.
Q_DECLARE_LOGGING_CATEGORY(lcInstance)

namespace ShowRequests {

// Serves the requests `requests` receives for as long as both live.
void serve(InstanceChannel& requests, frmForecast& window);

} // namespace ShowRequests
