// Times one full refresh of the main window (both pages fetched, stripped
// and cut, the values and the forecast shown) against the sample server on
// loopback, beside the two bare GETs of the same addresses made with a plain
// QNetworkAccessManager. The window runs on the real client, store and
// yielder, offscreen unless QT_QPA_PLATFORM says otherwise.
//
// Two cases: the same station again and again, as the timer mostly finds
// it (the weather service renews its pages far less often than the
// program asks), and two stations in two states taking turns, so that
// every refresh brings new values and a new forecast to show.
//
// usage: bench_refresh [--runs N]
#include "EventLoopYielder.h"
#include "ModuleState.h"
#include "QtColorDialog.h"
#include "QtHttpClient.h"
#include "QtSettingsStore.h"
#include "QtTrayIcons.h"
#include "Resources.h"
#include "SampleServer.h"
#include "SkyClasses.h"
#include "WeatherService.h"
#include "frmForecast.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

QList<QtTrayIcons::Design> trayDesign()
{
    QList<QtTrayIcons::Design> design;
    for (int index = 0; index < SkyClasses::iconCount; ++index)
        design.append({trayIcon(index),
                       index == SkyClasses::StartUp ? QStringLiteral("Ventaro") : QStringLiteral(".")});
    return design;
}

// One GET as bare as Qt makes it, with the client's cache setting so both
// sides go to the server every time.
qint64 bareGet(QNetworkAccessManager& manager, const QUrl& url)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    QNetworkReply* reply = manager.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    const qint64 size = reply->readAll().size();
    reply->deleteLater();
    return reply->error() == QNetworkReply::NoError ? size : -1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double msOf(const QElapsedTimer& clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int runs = 200;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));
    }

    initVentaroResources();
    SampleServer server;
    if (!server.listen()) {
        std::fprintf(stderr, "bench_refresh: cannot listen on 127.0.0.1\n");
        return 1;
    }
    QTemporaryDir dir;
    QtSettingsStore store(dir.path());
    QtHttpClient http;
    EventLoopYielder yielder;
    QtTrayIcons tray(trayDesign());
    QtColorDialog colorDialog;
    ModuleState state;
    const ServerHosts hosts{server.host(), server.host(), server.host()};
    frmForecast window({store, http, yielder, tray, colorDialog, state, hosts}, std::chrono::hours(1));
    window.Form_Load();

    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);

    struct Place
    {
        QString station;
        QString stateCode;
        QUrl conditions;
        QUrl forecast;
    };
    const auto place = [&](const QString& station, const QString& stateCode) {
        state.StationCode = station;
        state.StateCode = stateCode;
        const WeatherService addresses(http, window, yielder, state, hosts);
        return Place{station, stateCode, addresses.conditionsUrl(), addresses.forecastUrl()};
    };
    const Place denver = place(QStringLiteral("DEN"), QStringLiteral("co"));
    const Place cheyenne = place(QStringLiteral("CYS"), QStringLiteral("wy"));

    const auto refresh = [&](const Place& at) {
        state.StationCode = at.station;
        state.StateCode = at.stateCode;
        QElapsedTimer clock;
        clock.start();
        window.cmdGetForecast_Click();
        return msOf(clock);
    };
    const auto bare = [&](const Place& at, qint64* bytes) {
        QElapsedTimer clock;
        clock.start();
        *bytes = bareGet(manager, at.conditions) + bareGet(manager, at.forecast);
        return msOf(clock);
    };

    // First of each not counted: connections, caches and lazy set-up.
    qint64 bytes = 0;
    for (const Place* at : {&cheyenne, &denver}) {
        refresh(*at);
        bare(*at, &bytes);
        const QString city = window.findChild<QLabel*>(QStringLiteral("lblCity"))->text();
        if (city == QLatin1String(" Unavailable") || city.isEmpty() || bytes <= 0) {
            std::fprintf(stderr, "bench_refresh: the refresh or the bare GETs failed\n");
            return 1;
        }
    }

    std::printf("refresh against the sample server on %s, %d runs of each case (%lld bytes in two pages)\n",
                qPrintable(server.host()), runs, static_cast<long long>(bytes));
    std::printf("%-36s %10s %10s\n", "", "median ms", "min ms");
    for (const bool changing : {false, true}) {
        std::vector<double> refreshes;
        std::vector<double> bares;
        for (int n = 0; n < runs; ++n) {
            const Place& at = changing && n % 2 == 0 ? cheyenne : denver;
            // Alternated, so drift in the machine's load falls on both alike.
            refreshes.push_back(refresh(at));
            bares.push_back(bare(at, &bytes));
        }
        const char* name = changing ? "new values and forecast each time" : "same station, pages unchanged";
        std::printf("%s\n", name);
        std::printf("  %-34s %10.3f %10.3f\n", "full refresh", median(refreshes),
                    *std::min_element(refreshes.begin(), refreshes.end()));
        std::printf("  %-34s %10.3f %10.3f\n", "two bare GETs", median(bares),
                    *std::min_element(bares.begin(), bares.end()));
        std::printf("  refresh/bare: %.2fx (target 1.5x)\n", median(refreshes) / median(bares));
    }
    return 0;
}
