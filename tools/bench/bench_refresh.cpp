// Times one full refresh of the main window (both pages fetched, stripped
// and cut, the values and the forecast shown) against the sample server on
// loopback, beside the two bare GETs of the same addresses made with a plain
// QNetworkAccessManager. The window runs on the real network, store and
// tray, offscreen unless QT_QPA_PLATFORM says otherwise.
//
// Two cases: the same station again and again, as the timer mostly finds
// it (the weather service renews its pages far less often than the
// program asks), and two stations in two states taking turns, so that
// every refresh brings new values and a new forecast to show.
//
// With --live the window reads the live layer, pointed at the sample
// server's live mode, and the bare side makes the same GETs the live layer
// makes once it knows the station's zone: the observation, the zone
// forecast of the zone's office, and the zone's alerts, one after the
// other.
//
// usage: bench_refresh [--live] [--runs N]
#include "app/ForecastSession.h"
#include "app/TrayDesign.h"
#include "app/frmForecast.h"
#include "live/LiveWeatherSource.h"
#include "live/StationIdentifiers.h"
#include "net/Network.h"
#include "net/SystemClock.h"
#include "pages/ServerHosts.h"
#include "pages/ServerWeatherSource.h"
#include "pages/WeatherAddresses.h"
#include "resources/Resources.h"
#include "settings/QtSettingsStore.h"
#include "shell/Notifier.h"
#include "shell/QtColorDialog.h"
#include "shell/QtTrayIcons.h"
#include "support/SampleServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace {

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

struct Place
{
    QString entry;
    QString stateCode;
    // What a refresh fetches, as bare GETs, one after the other.
    QList<QUrl> pages;
};

// The pages of whichever place the run is at, whatever station the window
// asks for: a new place brings new values and a new forecast, with no
// settings changed between two runs.
class PlaceSource final : public WeatherSource
{
public:
    explicit PlaceSource(WeatherSource& inner) : m_inner(inner) {}

    void moveTo(const Place& at) { m_at = &at; }

    QString conditionsHost() const override { return m_inner.conditionsHost(); }
    QString forecastHost() const override { return m_inner.forecastHost(); }
    ConditionsReply* fetchConditions(const WeatherRequest& request) override
    {
        return m_inner.fetchConditions(here(request));
    }
    ForecastReply* fetchStateForecast(const WeatherRequest& request) override
    {
        return m_inner.fetchStateForecast(here(request));
    }

private:
    WeatherRequest here(WeatherRequest request) const
    {
        request.stationCode = m_at->entry.left(3);
        request.stateCode = m_at->stateCode;
        return request;
    }

    WeatherSource& m_inner;
    const Place* m_at = nullptr;
};

// The runs, one step after another on the event loop: every measured
// thing reports its end through a signal, and nothing here waits.
class Bench : public QObject
{
public:
    Bench(frmForecast& window, PlaceSource& source, int runs, std::vector<Place> places, const char* target)
        : m_window(window), m_source(source), m_runs(runs), m_places(std::move(places)), m_target(target)
    {
        m_manager.setProxy(QNetworkProxy::NoProxy);
        connect(&m_window, &frmForecast::refreshFinished, this, [this] { refreshDone(); });
    }

    void start() { warmUp(0); }

private:
    // First of each not counted: connections, caches and lazy set-up.
    void warmUp(size_t index)
    {
        if (index == m_places.size()) {
            std::printf("refresh against the sample server, %d runs of each case (%lld bytes in its pages)\n",
                        m_runs, static_cast<long long>(m_bytes));
            std::printf("%-36s %10s %10s\n", "", "median ms", "min ms");
            m_changing = false;
            m_run = 0;
            nextRun();
            return;
        }
        moveTo(m_places[index]);
        m_after = [this, index] {
            const QString city = m_window.findChild<QLabel*>(QStringLiteral("lblCity"))->text();
            bare(m_places[index], [this, index, city](double) {
                if (city == QLatin1String(" Unavailable") || city.isEmpty() || m_bytes <= 0) {
                    std::fprintf(stderr, "bench_refresh: the refresh or the bare GETs failed\n");
                    QCoreApplication::exit(1);
                    return;
                }
                warmUp(index + 1);
            });
        };
        refresh();
    }

    void nextRun()
    {
        if (m_run == m_runs) {
            report();
            if (m_changing) {
                QCoreApplication::quit();
                return;
            }
            m_changing = true;
            m_run = 0;
            m_refreshes.clear();
            m_bares.clear();
        }
        const Place& at = m_changing && m_run % 2 == 0 ? m_places[1] : m_places[0];
        moveTo(at);
        // Alternated, so drift in the machine's load falls on both alike.
        m_after = [this, &at] {
            m_refreshes.push_back(msOf(m_clock));
            bare(at, [this](double ms) {
                m_bares.push_back(ms);
                ++m_run;
                QTimer::singleShot(0, this, [this] { nextRun(); });
            });
        };
        refresh();
    }

    void report()
    {
        const char* name = m_changing ? "new values and forecast each time" : "same station, pages unchanged";
        std::printf("%s\n", name);
        std::printf("  %-34s %10.3f %10.3f\n", "full refresh", median(m_refreshes),
                    *std::min_element(m_refreshes.begin(), m_refreshes.end()));
        std::printf("  %-34s %10.3f %10.3f\n", "its bare GETs", median(m_bares),
                    *std::min_element(m_bares.begin(), m_bares.end()));
        std::printf("  refresh/bare: %.2fx (target %s)\n", median(m_refreshes) / median(m_bares), m_target);
        std::fflush(stdout);
    }

    void moveTo(const Place& at) { m_source.moveTo(at); }

    void refresh()
    {
        m_clock.start();
        m_window.cmdGetForecast_Click();
    }

    void refreshDone()
    {
        if (m_after)
            std::exchange(m_after, {})();
    }

    // The pages as bare as Qt fetches them, one after the other as the
    // refresh asks for them, with the same cache setting so both sides go
    // to the server every time.
    void bare(const Place& at, std::function<void(double)> done)
    {
        auto clock = std::make_shared<QElapsedTimer>();
        clock->start();
        m_bytes = 0;
        bareFrom(at.pages, 0, [clock, done] { done(msOf(*clock)); });
    }

    void bareFrom(const QList<QUrl>& pages, qsizetype index, std::function<void()> done)
    {
        if (index == pages.size()) {
            done();
            return;
        }
        get(pages.at(index), [this, pages, index, done] { bareFrom(pages, index + 1, done); });
    }

    void get(const QUrl& url, std::function<void()> done)
    {
        QNetworkRequest request(url);
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
        QNetworkReply* reply = m_manager.get(request);
        connect(reply, &QNetworkReply::finished, this, [this, reply, done] {
            // An office without a product answers 404; that is a page too.
            m_bytes += reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()
                           ? reply->readAll().size()
                           : -1000000;
            reply->deleteLater();
            done();
        });
    }

    frmForecast& m_window;
    PlaceSource& m_source;
    const int m_runs;
    std::vector<Place> m_places;
    const char* m_target;
    QNetworkAccessManager m_manager;
    QElapsedTimer m_clock;
    std::function<void()> m_after;
    std::vector<double> m_refreshes;
    std::vector<double> m_bares;
    qint64 m_bytes = 0;
    int m_run = 0;
    bool m_changing = false;
};

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int runs = 200;
    bool live = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--live") == 0)
            live = true;
        else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[i + 1]));
    }

    initVentaroResources();
    SampleServer server;
    server.setLive(live);
    if (!server.listen()) {
        std::fprintf(stderr, "bench_refresh: cannot listen on 127.0.0.1\n");
        return 1;
    }
    QTemporaryDir dir;
    QtSettingsStore store(dir.path());
    Network network;
    const QString host = server.host();
    // The live layer's templates, pointed at the server's live mode.
    const SourceTemplates templates = server.liveTemplates();
    ServerWeatherSource servers(network, ServerHosts{host, host, host});
    LiveWeatherSource liveSource(network, templates);
    PlaceSource weather(live ? static_cast<WeatherSource&>(liveSource) : servers);
    QtTrayIcons tray(trayDesign());
    QtColorDialog colorDialog;
    // The refreshes timed here bring no alerts.
    struct : Notifier
    {
        void notify(const Notification&) override {}
    } notifier;
    SystemClock clock;
    ForecastSession session({store, weather, notifier, clock});
    frmForecast window({store, session, network, tray, colorDialog,
                        [host](const QString& path) { return ServerHosts::httpUrl(host, path); }});
    window.Form_Load();

    const auto place = [&](const QString& entry, const QString& stateCode) {
        return Place{entry,
                     stateCode,
                     {WeatherAddresses::conditions(host, entry.left(3)),
                      WeatherAddresses::stateForecast(host, stateCode)}};
    };
    // The live layer's requests once it knows the zone (the station and zone
    // records are asked at the first refresh only, which is not counted).
    const auto livePlace = [&](const QString& entry, const QString& stateCode, const QString& location,
                               const QStringList& areas) {
        return Place{entry,
                     stateCode,
                     {templates.observationUrl(StationIdentifiers::icaoFor(entry.left(3))),
                      templates.zoneForecastUrl(location, stateCode), templates.alertsUrl(areas)}};
    };
    // Two places whose pages differ; the live mode serves observations of a
    // few stations only, Denver and Anchorage among them.
    std::vector<Place> places =
        live ? std::vector<Place>{livePlace(QStringLiteral("DEN         DENVER, CO"), QStringLiteral("co"),
                                            QStringLiteral("BOU"),
                                            {QStringLiteral("COZ039"), QStringLiteral("COC031"),
                                             QStringLiteral("COZ239")}),
                                  livePlace(QStringLiteral("ANC         ANCHORAGE, AK"), QStringLiteral("ak"),
                                            QStringLiteral("AER"),
                                            {QStringLiteral("AKZ101"), QStringLiteral("AKC020")})}
             : std::vector<Place>{place(QStringLiteral("DEN         DENVER, CO"), QStringLiteral("co")),
                                  place(QStringLiteral("CYS         CHEYENNE, WY"), QStringLiteral("wy"))};
    std::printf("%s\n", live ? "live layer: the observation, the zone's forecast product and its alerts"
                             : "old pages: the conditions page and the state forecast page");
    Bench bench(window, weather, runs, std::move(places), live ? "1.3x" : "1.5x");
    QTimer::singleShot(0, &bench, [&bench] { bench.start(); });
    return QApplication::exec();
}
