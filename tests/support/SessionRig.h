#pragma once

#include "FakeNotifier.h"
#include "ManualClock.h"
#include "MemorySettingsStore.h"
#include "app/ForecastSession.h"
#include "live/LiveWeatherSource.h"
#include "net/Network.h"
#include "pages/ServerHosts.h"
#include "pages/ServerWeatherSource.h"
#include "settings/FirstStart.h"
#include "settings/QtSettingsStore.h"
#include "settings/SettingsKeys.h"
#include "shell/SessionEvents.h"
#include "support/SampleServer.h"
#include "support/ShortTemplates.h"

#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <type_traits>

// A ForecastSession and all it is given, wired as the program wires them:
// a store of the test's (in memory, or the real settings file in a
// temporary folder), a weather source on loopback (the rig's own sample
// server, or a server of the test's), a fake for the notifications, the
// machine's waking and network as signals the test emits, and clocks that
// stand still until the test moves them. WindowRig puts the window on it,
// SessionRig a stand-in for the window.
template <typename Store> struct SessionParts
{
    explicit SessionParts(std::chrono::milliseconds httpTimeout = std::chrono::seconds(10))
        : store(makeStore()), network(limits(httpTimeout))
    {
        server.listen();
    }

    static NetworkLimits limits(std::chrono::milliseconds timeout)
    {
        NetworkLimits limits;
        limits.timeout = timeout;
        return limits;
    }

    // Writes the first-start values, as on a 12000 x 9000 twips screen, so
    // that a test can change some of them before the session loads them.
    StoreCheck initializeStore()
    {
        return InitializeSettings(store, QSizeF(12000, 9000), QSizeF(7350, 4065), QStringLiteral("100"));
    }

    // A key as the settings file holds it (the file store only).
    QString stored(const QString& key) const
    {
        return QtSettingsStore(dir.path()).read(SettingsKeys::application, SettingsKeys::section, key);
    }

    // The session on the old pages of `host`, not yet loaded.
    ForecastSession& makeSession(const QString& host)
    {
        return makeSession(std::make_unique<ServerWeatherSource>(network, ServerHosts{host, host, host}));
    }

    // The session on the live layer, its templates pointing at `host`.
    ForecastSession& makeLiveSession(const QString& host)
    {
        return makeSession(
            std::make_unique<LiveWeatherSource>(network, shortTemplates(QStringLiteral("http://") + host)));
    }

    QTemporaryDir dir;
    Store store;
    SampleServer server;
    Network network;
    FakeNotifier notifier;
    // Emitted by the tests, as the system would.
    SessionEvents session;
    // The clocks the session reads, which stand still until a test moves
    // them.
    ManualClock clock;
    std::unique_ptr<WeatherSource> weather;
    std::unique_ptr<ForecastSession> forecast;

private:
    Store makeStore() const
    {
        if constexpr (std::is_constructible_v<Store, QString>)
            return Store(dir.path());
        else
            return Store();
    }

    ForecastSession& makeSession(std::unique_ptr<WeatherSource> source)
    {
        weather = std::move(source);
        forecast =
            std::make_unique<ForecastSession>(ForecastSession::Services{store, *weather, notifier, clock});
        QObject::connect(&session, &SessionEvents::resumed, forecast.get(), &ForecastSession::sessionEvent);
        QObject::connect(&session, &SessionEvents::networkReturned, forecast.get(),
                         &ForecastSession::sessionEvent);
        return *forecast;
    }
};

// Stands in for the window: keeps what the session says, and reports each
// forecast in its box a turn of the event loop later, as the window does
// once a forecast of many lines has gone in.
struct WindowStandIn
{
    explicit WindowStandIn(ForecastSession& session)
    {
        QObject::connect(&session, &ForecastSession::statusChanged, &context,
                         [this](const QString& text) { statuses.append(text); });
        QObject::connect(&session, &ForecastSession::conditionsShown, &context,
                         [this](const ConditionsReading&) { said.append(QStringLiteral("conditions")); });
        QObject::connect(&session, &ForecastSession::conditionsUnavailable, &context,
                         [this] { said.append(QStringLiteral("unavailable")); });
        QObject::connect(&session, &ForecastSession::forecastReady, &context, [this, &session] {
            said.append(QStringLiteral("forecast"));
            QMetaObject::invokeMethod(
                &context, [&session] { session.forecastShown(); }, Qt::QueuedConnection);
        });
        QObject::connect(&session, &ForecastSession::cityTipChanged, &context,
                         [this](const QString& tip) { cityTip = tip; });
        QObject::connect(&session, &ForecastSession::traySkyChanged, &context,
                         [this](const ForecastSession::TraySky& sky) { traySkies.append(sky.sky); });
        QObject::connect(&session, &ForecastSession::alertLinesChanged, &context,
                         [this](const QStringList& lines) { alertLines = lines; });
        QObject::connect(&session, &ForecastSession::refreshFinished, &context,
                         [this] { said.append(QStringLiteral("finished")); });
    }

    qsizetype count(const QString& what) const { return said.count(what); }

    // "conditions", "unavailable", "forecast" and "finished", as they came.
    QStringList said;
    QStringList statuses;
    // Each sky the tray was told.
    QStringList traySkies;
    // The latest text of the location's tooltip, and the alerts' lines.
    QString cityTip;
    QStringList alertLines;
    QObject context;
};

// The session with a stand-in for its window, on a store in memory.
struct SessionRig : SessionParts<MemorySettingsStore>
{
    // The session on the rig's sample server, loaded as the window loads
    // it at start-up: first-start values for what the store lacks.
    ForecastSession& open()
    {
        ForecastSession& opened = makeSession(server.host());
        shown = std::make_unique<WindowStandIn>(opened);
        opened.setStoreNotice(FirstStart::notice(initializeStore()));
        opened.load();
        return opened;
    }

    // Asks for a refresh as Get Forecast does and waits until it has
    // ended; false if it did not start or did not end in time.
    bool refresh(int timeoutMs = 20000)
    {
        const qsizetype before = shown->count(QStringLiteral("finished"));
        return forecast->refresh() && waitForRefreshes(before + 1, timeoutMs);
    }

    // Waits until `count` refreshes have ended since the session opened.
    bool waitForRefreshes(qsizetype count, int timeoutMs = 20000)
    {
        return QTest::qWaitFor([&] { return shown->count(QStringLiteral("finished")) >= count; },
                               timeoutMs) &&
               !forecast->running();
    }

    std::unique_ptr<WindowStandIn> shown;
};
