#pragma once

#include "FakeColorDialog.h"
#include "FakeNotifier.h"
#include "ManualClock.h"
#include "MemorySettingsStore.h"
#include "app/ForecastSession.h"
#include "app/TrayDesign.h"
#include "app/frmForecast.h"
#include "live/LiveWeatherSource.h"
#include "net/Network.h"
#include "pages/ServerHosts.h"
#include "pages/ServerWeatherSource.h"
#include "settings/FirstStart.h"
#include "settings/QtSettingsStore.h"
#include "settings/SettingsKeys.h"
#include "shell/QtTrayIcons.h"
#include "shell/SessionEvents.h"
#include "support/SampleServer.h"
#include "support/ShortTemplates.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <type_traits>

// The main window and its session, wired as the program wires them, to a
// store of the test's (in memory, or the real settings file in a temporary
// folder), a weather source on loopback (the rig's own sample server, or a
// server of the test's), tray instances that report a notification area,
// fakes for the colour dialog and the notifications, and clocks that stand
// still until the test moves them. Window tests and fault drills share it.
template <typename Store> struct WindowRig
{
    explicit WindowRig(std::chrono::milliseconds httpTimeout = std::chrono::seconds(10))
        : store(makeStore()), network(limits(httpTimeout)), tray(trayDesign())
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

    // The window on the old pages of the rig's own sample server.
    frmForecast& open() { return open(server.host()); }

    // The window on the old pages of `host`.
    frmForecast& open(const QString& host, ColorDialog* colours = nullptr)
    {
        weather = std::make_unique<ServerWeatherSource>(network, ServerHosts{host, host, host});
        return openWindow(host, colours);
    }

    // The window on the live layer, its templates pointing at `host`.
    frmForecast& openLive(const QString& host)
    {
        weather =
            std::make_unique<LiveWeatherSource>(network, shortTemplates(QStringLiteral("http://") + host));
        return openWindow(host, nullptr);
    }

    // Writes the first-start values, as on a 12000 x 9000 twips screen, so
    // that a test can change some of them before the window opens.
    void initializeStore()
    {
        InitializeSettings(store, QSizeF(12000, 9000), QSizeF(7350, 4065), QStringLiteral("100"));
    }

    // Clicks Get Forecast and waits until that refresh has ended; false if
    // it did not start or did not end in time.
    bool refresh(int timeoutMs = 20000)
    {
        const qsizetype before = finished->size();
        QTest::mouseClick(child(QStringLiteral("cmdGetForecast")), Qt::LeftButton);
        return waitForRefreshes(before + 1, timeoutMs);
    }

    // Clicks Get Forecast and waits for that refresh to end, or for the
    // program to end; how long that took, -1 when neither came.
    qint64 refreshTook()
    {
        QElapsedTimer took;
        took.start();
        const qsizetype before = finished->size();
        QTest::mouseClick(child(QStringLiteral("cmdGetForecast")), Qt::LeftButton);
        const bool ended =
            QTest::qWaitFor([&] { return finished->size() > before || !ending->isEmpty(); }, 120000);
        return ended ? took.elapsed() : -1;
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
    QPushButton* button(const QString& name) const { return child<QPushButton>(name); }
    QString label(const QString& name) const { return child<QLabel>(name)->text(); }
    QString forecastText() const { return child<QPlainTextEdit>(QStringLiteral("Text3"))->toPlainText(); }

    // The eight values as the window shows them.
    QStringList values() const
    {
        QStringList shown;
        for (const char* name : {"lblCity", "lblTemp", "lblHumidity", "lblDew", "lblPressure", "lblWind",
                                 "lblVisibility", "lblConditions"})
            shown.append(label(QString::fromLatin1(name)));
        return shown;
    }

    // Where a refresh stands: the status line and how many texts it has
    // shown so far.
    QString progress() const
    {
        return label(QStringLiteral("lblStatus")).trimmed() + QStringLiteral(", status %1").arg(statuses);
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

    // A key as the settings file holds it (the file store only).
    QString stored(const QString& key) const
    {
        return QtSettingsStore(dir.path()).read(SettingsKeys::application, SettingsKeys::section, key);
    }

    QTemporaryDir dir;
    Store store;
    SampleServer server;
    Network network;
    QtTrayIcons tray;
    FakeColorDialog colorDialog;
    FakeNotifier notifier;
    // Emitted by the tests, as the system would.
    SessionEvents session;
    // The clocks the session reads, which stand still until a test moves
    // them.
    ManualClock clock;
    std::unique_ptr<WeatherSource> weather;
    std::unique_ptr<ForecastSession> forecast;
    std::unique_ptr<frmForecast> window;
    std::unique_ptr<QSignalSpy> ending;
    std::unique_ptr<QSignalSpy> finished;
    int statuses = 0;

private:
    Store makeStore() const
    {
        if constexpr (std::is_constructible_v<Store, QString>)
            return Store(dir.path());
        else
            return Store();
    }

    frmForecast& openWindow(const QString& host, ColorDialog* colours)
    {
        forecast =
            std::make_unique<ForecastSession>(ForecastSession::Services{store, *weather, notifier, clock});
        QObject::connect(&session, &SessionEvents::resumed, forecast.get(), &ForecastSession::sessionEvent);
        QObject::connect(&session, &SessionEvents::networkReturned, forecast.get(),
                         &ForecastSession::sessionEvent);
        window = std::make_unique<frmForecast>(
            frmForecast::Services{store, *forecast, network, tray, colours ? *colours : colorDialog,
                                  [host](const QString& path) { return ServerHosts::httpUrl(host, path); }});
        ending = std::make_unique<QSignalSpy>(window.get(), &frmForecast::programEnding);
        finished = std::make_unique<QSignalSpy>(window.get(), &frmForecast::refreshFinished);
        QObject::connect(window.get(), &frmForecast::statusShown, window.get(), [this] { ++statuses; });
        window->Form_Load();
        return *window;
    }
};

// The window tests' rig, its store in memory; the fault drills', on the
// real settings file.
using ForecastRig = WindowRig<MemorySettingsStore>;
using DrillRig = WindowRig<QtSettingsStore>;
