#pragma once

#include "shell/QtTrayIcons.h"

// The seven notification-area icons as the program starts with them: the
// six sky pictures with the tooltip ".", and the start-up question mark
// with "Ventaro".
QList<QtTrayIcons::Design> trayDesign();
