#pragma once

class Settings;
class TrayIcons;

// The start-up tray rule, also run when the settings dialog closes: with a
// SysTray value other than 0 the start-up icon (the last instance) goes up
// and the others stay as they are; otherwise every instance comes down, in
// index order.
void applyStartupTrayRule(const Settings& settings, TrayIcons& tray);
