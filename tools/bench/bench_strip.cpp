// Times the markup stripper against the one-tag-per-pass rule it must
// agree with, and against one plain copy of the same text.
#include "pages/StripMarkup.h"
#include "support/LiteralStrip.h"

#include <QElapsedTimer>
#include <QString>
#include <algorithm>
#include <cstdio>

namespace {

// A weather-page-like block: dense tags, short texts, LF line ends.
QString makePage(qsizetype bytes)
{
    const QString block = QStringLiteral(
        "<TR><TD><B>Temperature</B></TD>\n</TR><TR>\n<TD>  45 F (7 C)</TD></TR>\n"
        "<TR><TD><FONT FACE=\"Arial\" SIZE=2>Relative Humidity</FONT></TD>\n</TR><TR>\n<TD>  61%</TD></TR>\n"
        "<!-- observation block --><P>Conditions at Dec 07, 1998 - 08:53 AM MST &nbsp;<BR>\n"
        "<A HREF=\"/weather/current/KDEN.html\">Denver</A> | plain text that runs on for a while > here\n");
    QString page;
    page.reserve(bytes);
    while (page.size() + block.size() <= bytes)
        page += block;
    page += QString(bytes - page.size(), QLatin1Char('x'));
    return page;
}

qint64 countTags(const QString& text)
{
    return text.count(QLatin1Char('<'));
}

template <typename F> double bestOf(int runs, F&& work)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}

} // namespace

int main()
{
    struct Size
    {
        const char* name;
        qsizetype chars;
        qint64 literalPassCap; // beyond this the literal time is extrapolated
    };
    const Size sizes[] = {
        {"30 KB", 30 * 1024, 1 << 30}, {"1 MB", 1024 * 1024, 1 << 30}, {"10 MB", 10 * 1024 * 1024, 20000}};

    std::printf("%-6s %7s %12s %12s %14s %10s %12s\n", "page", "tags", "copy ms", "strip ms", "literal ms",
                "speed-up", "strip/copy");
    for (const Size& size : sizes) {
        const QString page = makePage(size.chars);
        const qint64 tags = countTags(page);

        volatile qsizetype sink = 0;
        const double copyMs = bestOf(20, [&] {
            QString copy(page.constData(), page.size());
            sink = sink + copy.size();
        });
        const double stripMs = bestOf(20, [&] { sink = sink + StripMarkup(page).size(); });

        qint64 passes = 0;
        QElapsedTimer timer;
        timer.start();
        const QString literal = literalStripMarkup(page, &passes, size.literalPassCap);
        double literalMs = double(timer.nsecsElapsed()) / 1e6;
        const bool extrapolated = passes < tags;
        if (extrapolated) {
            // Each pass rebuilds the remaining text, which shrinks by about
            // one tag per pass: the cost of all passes is the cost of the
            // first ones scaled by the passes needed and the mean length.
            const double done = double(passes);
            const double total = double(tags);
            literalMs = literalMs * (total / done) * (1.0 - 0.5 * total / double(page.size())) /
                        (1.0 - 0.5 * done / double(page.size()));
        } else if (literal != StripMarkup(page)) {
            std::fprintf(stderr, "results differ for %s\n", size.name);
            return 1;
        }
        std::printf("%-6s %7lld %12.3f %12.3f %13.1f%s %9.0fx %11.2fx\n", size.name,
                    static_cast<long long>(tags), copyMs, stripMs, literalMs, extrapolated ? "*" : " ",
                    literalMs / stripMs, stripMs / copyMs);
    }
    std::printf("* extrapolated from the first %d passes\n", 20000);
    return 0;
}
