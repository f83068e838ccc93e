// What a zone forecast product's code lines cost the program: products
// whose groups name every zone of a state again and again in ranges
// ("COZ000>999-000>999-..."), each code line just under the 4 KiB a code
// line may take, are parsed and searched for one zone as the forecast
// lookup does. Prints, for each product, how long parsing and the search
// took and how far the process's peak memory rose. Each product is read in
// a process of its own, so that each peak is its own.
//
// usage: bench_zoneproducts
#include "live/ZoneForecast.h"
#include "support/PeakMemory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <cstdio>

namespace {

struct Case
{
    const char* name;
    int groups;
};

constexpr Case cases[] = {
    {"15 groups of ranges (62 KB)", 15},
    {"100 groups of ranges (412 KB)", 100},
};

QString product(int groups)
{
    // A code line of ranges that reaches its expiry within 4 KiB.
    QString codeLine = QStringLiteral("COZ000>999-");
    while (codeLine.size() + 8 + 7 < 4096)
        codeLine += QStringLiteral("000>999-");
    codeLine += QStringLiteral("080000-");
    QString text =
        QStringLiteral("000\nFPUS55 KBOU 071530\nZFPBOU\n\nZone Forecast Product for Colorado\n"
                       "National Weather Service Denver/Boulder CO\n830 AM MST Mon Dec 7 2026\n\n");
    for (int group = 0; group < groups; ++group)
        text +=
            codeLine + QStringLiteral("\nDenver-\n830 AM MST Mon Dec 7 2026\n\n.TODAY...Sunny.\n\n$$\n\n");
    return text;
}

int measure(int index)
{
    const Case& which = cases[index];
    const QString text = product(which.groups);
    const qint64 before = peakMemoryKiB();
    QElapsedTimer clock;
    clock.start();
    const ZoneForecast::Product parsed = ZoneForecast::parse(text);
    const bool found = ZoneForecast::groupFor(parsed, u"COZ500") != nullptr;
    const qint64 elapsed = clock.elapsed();
    std::printf("%-32s %7lld bytes  %6lld ms  peak +%.1f MiB  %s\n", which.name,
                static_cast<long long>(text.size()), static_cast<long long>(elapsed),
                double(peakMemoryKiB() - before) / 1024.0, found ? "zone found" : "zone NOT found");
    return found ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1)
        return measure(arguments.at(1).toInt());
    int status = 0;
    for (int index = 0; index < int(std::size(cases)); ++index) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QString::number(index)});
        child.waitForFinished(-1);
        if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
            std::printf("%-32s failed (exit %d)\n", cases[index].name, child.exitCode());
            status = 1;
        }
    }
    return status;
}
