#pragma once

class InstanceChannel;
class frmForecast;

// A later start's request to see the running program: the main window
// comes back as the tray menu's "Display Ventaro" brings it, restored if
// minimised and in front of the others, activated with the token that
// start was launched with. Nothing comes back once the program is ending.

namespace ShowRequests {

// Serves the requests `requests` receives for as long as both live.
void serve(InstanceChannel& requests, frmForecast& window);

} // namespace ShowRequests
