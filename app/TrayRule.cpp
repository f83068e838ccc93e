#include "TrayRule.h"

#include "settings/Settings.h"
#include "shell/TrayIcons.h"

void applyStartupTrayRule(const Settings& settings, TrayIcons& tray)
{
    if (settings.trayRuleOn()) {
        tray.setIntray(tray.count() - 1, true);
        return;
    }
    for (int index = 0; index < tray.count(); ++index)
        tray.setIntray(index, false);
}
