#pragma once

#include "FakeColorDialog.h"
#include "FakeNotifier.h"
#include "ManualClock.h"
#include "MemorySettingsStore.h"
#include "app/ForecastSession.h"
#include "app/TrayDesign.h"
#include "app/frmForecast.h"
#include "net/Network.h"
#include "pages/ServerHosts.h"
#include "pages/ServerWeatherSource.h"
#include "settings/FirstStart.h"
#include "shell/QtTrayIcons.h"
#include "shell/SessionEvents.h"
#include "support/SampleServer.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <memory>

// A main window wired to an in-memory store, the sample server on
// loopback and tray instances that report a notification area.
struct ForecastRig
{
    explicit ForecastRig(std::chrono::milliseconds httpTimeout = std::chrono::seconds(10))
        : network(limits(httpTimeout)), tray(trayDesign())
    {
        server.listen();
        tray.setTrayAvailableOverride(true);
    }

    static NetworkLimits limits(std::chrono::milliseconds timeout)
    {
        NetworkLimits limits;
        limits.timeout = timeout;
        return limits;
    }

    frmForecast& open()
    {
        const QString host = server.host();
        weather = std::make_unique<ServerWeatherSource>(network, ServerHosts{host, host, host});
        forecast =
            std::make_unique<ForecastSession>(ForecastSession::Services{store, *weather, notifier, clock});
        QObject::connect(&session, &SessionEvents::resumed, forecast.get(), &ForecastSession::sessionEvent);
        QObject::connect(&session, &SessionEvents::networkReturned, forecast.get(),
                         &ForecastSession::sessionEvent);
        window = std::make_unique<frmForecast>(
            frmForecast::Services{store, *forecast, network, tray, colorDialog,
                                  [host](const QString& path) { return ServerHosts::httpUrl(host, path); }});
        ending = std::make_unique<QSignalSpy>(window.get(), &frmForecast::programEnding);
        finished = std::make_unique<QSignalSpy>(window.get(), &frmForecast::refreshFinished);
        window->Form_Load();
        return *window;
    }

    // Writes the first-start values, as on a 12000 x 9000 twips screen, so
    // that a test can change some of them before the window opens.
    void initializeStore()
    {
        InitializeSettings(store, QSizeF(12000, 9000), QSizeF(7350, 4065), QStringLiteral("100"));
    }

    // Clicks Get Forecast and waits until that refresh has ended; false if
    // it did not start or did not end in time.
    bool refresh()
    {
        const qsizetype before = finished->size();
        QTest::mouseClick(child(QStringLiteral("cmdGetForecast")), Qt::LeftButton);
        return waitForRefreshes(before + 1);
    }

    // Waits until `count` refreshes have ended since the window opened.
    bool waitForRefreshes(qsizetype count, int timeoutMs = 20000)
    {
        return QTest::qWaitFor([&] { return finished->size() >= count; }, timeoutMs) && !forecast->running();
    }

    // Station and state come into the running program when the settings
    // dialog closes; this opens and closes it, as a user would.
    void reloadThroughSettingsDialog()
    {
        QTest::mouseClick(child(QStringLiteral("cmdSettings")), Qt::LeftButton);
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == QLatin1String("frmSettings"))
                widget->close();
        }
    }

    template <typename T = QWidget> T* child(const QString& name) const
    {
        return window->findChild<T*>(name);
    }

    QStringList intray() const
    {
        QStringList shown;
        for (int index = 0; index < tray.count(); ++index) {
            if (tray.intray(index))
                shown.append(QString::number(index));
        }
        return shown;
    }

    MemorySettingsStore store;
    SampleServer server;
    Network network;
    QtTrayIcons tray;
    FakeColorDialog colorDialog;
    FakeNotifier notifier;
    // Emitted by the tests, as the system would.
    SessionEvents session;
    // The clocks the session and the window read, which stand still until
    // a test moves them.
    ManualClock clock;
    std::unique_ptr<ServerWeatherSource> weather;
    std::unique_ptr<ForecastSession> forecast;
    std::unique_ptr<frmForecast> window;
    std::unique_ptr<QSignalSpy> ending;
    std::unique_ptr<QSignalSpy> finished;
};
