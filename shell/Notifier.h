#pragma once

#include <QString>

// Tells the user of something while they may not be looking at the
// program, the way the desktop offers for it: a message from the program's
// icon in the notification area, or the desktop's notification service.
class Notifier
{
public:
    struct Notification
    {
        QString summary; // one line: "Winter Storm Warning"
        // Plain text, shown as these very characters: nothing in it is
        // taken for markup.
        QString body;
        // For what threatens life or property: shown with the desktop's
        // highest urgency, until the user dismisses it.
        bool critical = false;
    };

    virtual ~Notifier() = default;

    // Hands the notification on and returns at once; it is shown when the
    // desktop has answered, or, where it offers no way to show it, only
    // logged. Notifications asked for together, the event loop not running
    // in between, may be shown as one, the first on top.
    virtual void notify(const Notification& notification) = 0;
};
