#pragma once

// What the settings dialog needs of the main window.
class MainWindowHooks
{
public:
    virtual ~MainWindowHooks() = default;

    // Repaints the main window from the colour keys in the store.
    virtual void ApplyColorScheme() = 0;

    // Makes the main window visible again.
    virtual void showMainWindow() = 0;
};
