// What a flood of weather alerts costs: the main window refreshes against
// the sample server on loopback for its conditions and forecast, and a
// source made here answers its alerts with floods of them, read as the
// live layer reads the service's answer. Printed:
//
// - pop-ups: the notifications handed to the notifier by one answer of
//   10,000 new alerts, and by the same three alerts under new ids at each
//   of 15 refreshes;
// - memory: the rise of the resident memory over 60 refreshes of 5,000 new
//   ids whose alerts claim to end in the year 9999 (after the first, and
//   after the tenth);
// - stalls: the longest the window's event loop went without turning
//   during a refresh that brings 20,000 alerts, 30,000 alerts, or one alert
//   with 580,000 references, and the longest a minute's tick held it after
//   that refresh (three ticks, each run as the timer runs it).
//
// Each case has a window of its own, so that no case finds the alerts of
// another already known. The window runs offscreen unless QT_QPA_PLATFORM
// says otherwise.
//
// usage: bench_alertflood
#include "app/ForecastSession.h"
#include "app/TrayDesign.h"
#include "app/frmForecast.h"
#include "live/ActiveAlerts.h"
#include "net/Network.h"
#include "net/SystemClock.h"
#include "pages/ServerHosts.h"
#include "pages/ServerWeatherSource.h"
#include "resources/Resources.h"
#include "settings/QtSettingsStore.h"
#include "shell/Notifier.h"
#include "shell/QtColorDialog.h"
#include "shell/QtTrayIcons.h"
#include "support/SampleServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <malloc.h>
#include <memory>

namespace {

// The resident memory now (Linux's VmRSS), in KiB, with what the allocator
// holds free handed back first, so that it counts what is kept.
qint64 residentKiB()
{
    malloc_trim(0);
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

QByteArray timeText(const QDateTime& time)
{
    return time.toOffsetFromUtc(-7 * 3600).toString(Qt::ISODate).toLatin1();
}

struct Flood
{
    int count = 0;
    // Ids made new for each answer.
    QByteArray idPrefix;
    // Events and areas repeat with this period: three alerts of the same
    // three events and areas; 0: each alert its own.
    int kinds = 0;
    int references = 0;
    bool endless = false; // ending in the year 9999
};

// A GeoJSON collection of alerts in the service's form, in effect now.
QByteArray collection(const Flood& flood)
{
    static const char* const severities[] = {"Extreme", "Severe", "Moderate", "Minor"};
    static const char* const events[] = {"Winter Storm Warning", "Wind Advisory", "Flood Watch"};
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QByteArray sent = timeText(now.addSecs(-3600));
    const QByteArray expires =
        flood.endless ? QByteArray("9999-12-31T23:00:00-07:00") : timeText(now.addDays(1));
    const QByteArray ends = flood.endless ? expires : timeText(now.addDays(2));
    QByteArray references = "[";
    for (int index = 0; index < flood.references; ++index)
        references +=
            (index ? ",{\"identifier\":\"u" : "{\"identifier\":\"u") + QByteArray::number(index) + "\"}";
    references += "]";
    QByteArray body = R"({"type":"FeatureCollection","features":[)";
    for (int index = 0; index < flood.count; ++index) {
        const int kind = flood.kinds > 0 ? index % flood.kinds : index;
        const QByteArray event = flood.kinds > 0 ? QByteArray(events[kind % 3])
                                                 : QByteArray("Bench Warning ") + QByteArray::number(kind);
        const QByteArray id = "urn:oid:2.49.0.1.840.0." + flood.idPrefix + "." + QByteArray::number(index);
        if (index > 0)
            body += ',';
        body += R"({"id":"https://api.weather.gov/alerts/)" + id + R"(","type":"Feature","geometry":null,)" +
                R"("properties":{"id":")" + id + R"(","areaDesc":"Area )" + QByteArray::number(kind) +
                R"(","references":)" + references + R"(,"sent":")" + sent + R"(","effective":")" + sent +
                R"(","onset":")" + sent + R"(","expires":")" + expires + R"(","ends":")" + ends +
                R"(","status":"Actual","messageType":"Alert","severity":")" + severities[index % 4] +
                R"(","urgency":"Expected","event":")" + event + R"(","headline":")" + event +
                R"( issued December 7 at 9:12AM MST until December 8 at 6:00PM MST by NWS Denver CO"}})";
    }
    body += R"(],"title":"Current watches, warnings, and advisories"})";
    return body;
}

// The sample server's conditions and forecast, and alerts answered with
// the body set, read as the live layer reads the service's.
class FloodSource final : public WeatherSource
{
public:
    explicit FloodSource(WeatherSource& inner) : m_inner(inner) {}

    QString conditionsHost() const override { return m_inner.conditionsHost(); }
    QString forecastHost() const override { return m_inner.forecastHost(); }
    ConditionsReply* fetchConditions(const WeatherRequest& request) override
    {
        return m_inner.fetchConditions(request);
    }
    ForecastReply* fetchStateForecast(const WeatherRequest& request) override
    {
        return m_inner.fetchStateForecast(request);
    }
    AlertsReply* fetchAlerts(const WeatherRequest&) override
    {
        auto* reply = new AlertsReply;
        reply->answer(AlertsAnswer::arrived([body = body](const std::atomic<bool>*) {
            const ActiveAlerts::Answer answer = ActiveAlerts::parse(body);
            return AlertsReading{answer.ok, answer.alerts, answer.problem};
        }));
        return reply;
    }

    QByteArray body;

private:
    WeatherSource& m_inner;
};

struct Counter final : Notifier
{
    void notify(const Notification&) override { ++count; }
    int count = 0;
};

// One case's window, its pop-ups counted and its event loop watched.
class Case : public QObject
{
public:
    Case(SettingsStore& store, FloodSource& source, Network& network, TrayIcons& tray,
         ColorDialog& colorDialog, const QString& host)
        : m_source(source), m_session({store, source, m_popUps, m_systemClock}),
          m_window({store, m_session, network, tray, colorDialog,
                    [host](const QString& path) { return ServerHosts::httpUrl(host, path); }})
    {
        m_window.Form_Load();
        connect(&m_window, &frmForecast::refreshFinished, this, [this] {
            // The work that ends the refresh ends with this signal, before
            // the loop turns again.
            m_longest = std::max(m_longest, m_clock.nsecsElapsed() - m_last);
            m_beats.stop();
            if (m_after)
                std::exchange(m_after, {})();
        });
        // Every stall of the event loop shows up as a long gap between beats.
        m_beats.setTimerType(Qt::PreciseTimer);
        m_beats.setInterval(1);
        connect(&m_beats, &QTimer::timeout, this, [this] {
            m_longest = std::max(m_longest, m_clock.nsecsElapsed() - m_last);
            m_last = m_clock.nsecsElapsed();
        });
    }

    // Refreshes with `body` as the alerts' answer and runs `then` with the
    // longest stall of the event loop meanwhile, in ms.
    void refresh(const QByteArray& body, std::function<void(double)> then)
    {
        m_source.body = body;
        m_after = [this, then = std::move(then)] { then(double(m_longest) / 1e6); };
        m_longest = 0;
        m_clock.start();
        m_last = 0;
        m_beats.start();
        // Clicked from the event loop, as a click would be, so that the
        // beats measure from the turn before it.
        QTimer::singleShot(0, this, [this] { m_window.cmdGetForecast_Click(); });
    }

    // The longest of three minute's ticks, in ms.
    double ticks()
    {
        qint64 longest = 0;
        for (int tick = 0; tick < 3; ++tick) {
            QElapsedTimer clock;
            clock.start();
            m_session.Timer1_Timer();
            longest = std::max(longest, clock.nsecsElapsed());
        }
        return double(longest) / 1e6;
    }

    int popUps() const { return m_popUps.count; }

private:
    FloodSource& m_source;
    Counter m_popUps;
    SystemClock m_systemClock;
    ForecastSession m_session;
    frmForecast m_window;
    QTimer m_beats;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
    std::function<void()> m_after;
};

// The cases, one after the other from the event loop.
class Bench : public QObject
{
public:
    Bench(SettingsStore& store, FloodSource& source, Network& network, TrayIcons& tray,
          ColorDialog& colorDialog, QString host)
        : m_store(store), m_source(source), m_network(network), m_tray(tray), m_colorDialog(colorDialog),
          m_host(std::move(host))
    {}

    void start()
    {
        m_steps = {[this] { oneFlood(); },
                   [this] { sameThree(0); },
                   [this] { endless(0); },
                   [this] {
                       stall("20,000 alerts", {20000, "s20"});
                   },
                   [this] {
                       stall("30,000 alerts", {30000, "s30"});
                   },
                   [this] {
                       stall("1 alert, 580,000 references", {1, "r580", 0, 580000});
                   }};
        next();
    }

private:
    // Called from within the case's window: the window goes once that call
    // has returned.
    void next()
    {
        QTimer::singleShot(0, this, [this] {
            m_case.reset();
            if (m_step == m_steps.size()) {
                QCoreApplication::quit();
                return;
            }
            m_case = std::make_unique<Case>(m_store, m_source, m_network, m_tray, m_colorDialog, m_host);
            m_steps[m_step++]();
        });
    }

    void oneFlood()
    {
        m_case->refresh(collection({10000, "flood"}), [this](double) {
            std::printf("%-52s %8d pop-ups\n", "one answer of 10,000 new alerts", m_case->popUps());
            std::fflush(stdout);
            next();
        });
    }

    void sameThree(int refresh)
    {
        if (refresh == 15) {
            std::printf("%-52s %8d pop-ups\n", "3 alerts under new ids at each of 15 refreshes",
                        m_case->popUps());
            std::fflush(stdout);
            next();
            return;
        }
        m_case->refresh(collection({3, "three" + QByteArray::number(refresh), 3}),
                        [this, refresh](double) { sameThree(refresh + 1); });
    }

    void endless(int refresh)
    {
        if (refresh == 1)
            m_resident = residentKiB();
        if (refresh == 10)
            m_residentAt10 = residentKiB();
        if (refresh == 60) {
            const qint64 resident = residentKiB();
            std::printf("%-52s %+8.1f MB resident (refreshes 2 to 60; %+.1f MB 11 to 60), %d pop-ups\n",
                        "60 refreshes of 5,000 new ids ending in 9999", double(resident - m_resident) / 1024,
                        double(resident - m_residentAt10) / 1024, m_case->popUps());
            std::fflush(stdout);
            next();
            return;
        }
        m_case->refresh(collection({5000, "endless" + QByteArray::number(refresh), 0, 0, true}),
                        [this, refresh](double) { endless(refresh + 1); });
    }

    void stall(const char* name, const Flood& flood)
    {
        const QByteArray body = collection(flood);
        m_case->refresh(body, [this, name](double refreshMs) {
            const double tickMs = m_case->ticks();
            std::printf("%-34s longest stall: refresh %8.1f ms, minute's tick %8.2f ms\n", name, refreshMs,
                        tickMs);
            std::fflush(stdout);
            next();
        });
    }

    SettingsStore& m_store;
    FloodSource& m_source;
    Network& m_network;
    TrayIcons& m_tray;
    ColorDialog& m_colorDialog;
    const QString m_host;
    std::unique_ptr<Case> m_case;
    QList<std::function<void()>> m_steps;
    qsizetype m_step = 0;
    qint64 m_resident = 0;
    qint64 m_residentAt10 = 0;
};

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The watch logs each alert it tells of; the figures are about the work.
    qputenv("QT_LOGGING_RULES", "ventaro.alerts=false");
    QApplication app(argc, argv);
    initVentaroResources();
    SampleServer server;
    if (!server.listen()) {
        std::fprintf(stderr, "bench_alertflood: cannot listen on 127.0.0.1\n");
        return 1;
    }
    QTemporaryDir dir;
    QtSettingsStore store(dir.path());
    Network network;
    const QString host = server.host();
    ServerWeatherSource servers(network, ServerHosts{host, host, host});
    FloodSource source(servers);
    QtTrayIcons tray(trayDesign());
    QtColorDialog colorDialog;
    Bench bench(store, source, network, tray, colorDialog, host);
    QTimer::singleShot(0, &bench, [&bench] { bench.start(); });
    return QApplication::exec();
}
