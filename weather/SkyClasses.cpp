#include "SkyClasses.h"

namespace SkyClasses {

Choice classify(const QString& sky)
{
    struct Test
    {
        QStringList keywords;
        int index;
    };
    static const Test tests[] = {
        {{QStringLiteral("cloud")}, Cloud},
        {{QStringLiteral("overcast")}, Overcast},
        {{QStringLiteral("rain")}, Rain},
        {{QStringLiteral("thunder")}, Thunder},
        {{QStringLiteral("clear"), QStringLiteral("sun")}, ClearOrSun},
        {{QStringLiteral("snow")}, Snow},
    };
    Choice choice;
    for (const Test& test : tests) {
        for (const QString& keyword : test.keywords) {
            if (sky.contains(keyword)) {
                choice.shown.append(test.index);
                choice.windowIcon = test.index;
                break;
            }
        }
    }
    return choice;
}

QList<int> trayIcons(const Choice& choice)
{
    return choice.shown.isEmpty() ? QList<int>{StartUp} : choice.shown;
}

} // namespace SkyClasses
