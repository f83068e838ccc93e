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
// stand still until the test moves them. WindowRig puts the window on it.
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
