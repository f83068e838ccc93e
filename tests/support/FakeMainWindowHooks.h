#pragma once

#include "MainWindowHooks.h"

#include <QStringList>
#include <functional>

// Records each call by name, in order; an optional action runs at each call
// so a test can look at the world as the main window would see it then.
class FakeMainWindowHooks final : public MainWindowHooks
{
public:
    void ApplyColorScheme() override { record(QStringLiteral("ApplyColorScheme")); }
    void showMainWindow() override { record(QStringLiteral("showMainWindow")); }

    QStringList calls;
    std::function<void(const QString&)> onCall;

private:
    void record(const QString& name)
    {
        calls.append(name);
        if (onCall)
            onCall(name);
    }
};
