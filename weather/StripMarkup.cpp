#include "StripMarkup.h"

#include "Yielder.h"

#include <QElapsedTimer>

namespace {

// How much input is scanned between two looks at the clock.
constexpr qsizetype checkEvery = 32 * 1024;

} // namespace

QString StripMarkup(QStringView text, Yielder* yielder, std::chrono::milliseconds slice)
{
    QString result(text.size(), Qt::Uninitialized);
    QChar* out = result.data();
    const qsizetype size = text.size();

    QElapsedTimer clock;
    if (yielder)
        clock.start();
    qsizetype nextCheck = checkEvery;

    qsizetype pos = 0;
    while (pos < size) {
        const qsizetype open = text.indexOf(QLatin1Char('<'), pos);
        if (open < 0)
            break;
        const qsizetype close = text.indexOf(QLatin1Char('>'), open + 1);
        if (close < 0)
            break; // an unclosed "<": it and all after it stay
        std::copy(text.data() + pos, text.data() + open, out);
        out += open - pos;
        pos = close + 1;

        if (yielder && pos >= nextCheck) {
            nextCheck = pos + checkEvery;
            if (clock.elapsed() >= slice.count()) {
                yielder->yield();
                clock.restart();
            }
        }
    }
    std::copy(text.data() + pos, text.data() + size, out);
    out += size - pos;
    result.truncate(out - result.constData());
    return result;
}
