#include "TrayDesign.h"

#include "resources/Resources.h"
#include "weather/SkyClasses.h"

QList<QtTrayIcons::Design> trayDesign()
{
    initVentaroResources();
    QList<QtTrayIcons::Design> design;
    for (int index = 0; index < SkyClasses::iconCount; ++index) {
        const bool startUp = index == SkyClasses::StartUp;
        design.append({trayIcon(index), startUp ? QStringLiteral("Ventaro") : QStringLiteral(".")});
    }
    return design;
}
