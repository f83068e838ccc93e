#pragma once

#include <QString>

// The markup rule applied the slow, obvious way: one pass per tag, each
// pass rebuilding the whole text. The fast stripper must agree with it.
inline QString literalStripMarkup(QString text, int* passes = nullptr)
{
    int count = 0;
    while (true) {
        const qsizetype f = text.indexOf(QLatin1Char('<'));
        if (f < 0)
            break;
        const qsizetype g = text.indexOf(QLatin1Char('>'), f);
        if (g < 0)
            break;
        text = text.left(f) + text.mid(g + 1);
        ++count;
    }
    if (passes)
        *passes = count;
    return text;
}
