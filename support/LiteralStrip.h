#pragma once

#include <QString>
#include <limits>

// The markup rule applied the slow, obvious way: one pass per tag, each
// pass rebuilding the whole text. The fast stripper must agree with it.
// It stops after `maxPasses` passes (a benchmark cannot wait for the rule
// on a large page) and reports the passes it made through `passes`.
inline QString literalStripMarkup(QString text, qint64* passes = nullptr,
                                  qint64 maxPasses = std::numeric_limits<qint64>::max())
{
    qint64 count = 0;
    while (count < maxPasses) {
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
