#pragma once

#include "FakeColorDialog.h"
#include "SessionRig.h"
#include "app/TrayDesign.h"
#include "app/frmForecast.h"
#include "shell/QtTrayIcons.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>

// The main window on its session (see SessionParts), wired as the program
// wires them, with tray instances that report a notification area and a
// fake for the colour dialog. Window tests and fault drills share it.
template <typename Store> struct WindowRig : SessionParts<Store>
{
    using Parts = SessionParts<Store>;
    using Parts::forecast;
    using Parts::network;
    using Parts::server;
    using Parts::store;

    explicit WindowRig(std::chrono::milliseconds httpTimeout = std::chrono::seconds(10))
        : Parts(httpTimeout), tray(trayDesign())
    {
        tray.setTrayAvailableOverride(true);
    }

    // The window on the old pages of the rig's own sample server.
    frmForecast& open() { return open(server.host()); }

    // The window on the old pages of `host`.
    frmForecast& open(const QString& host, ColorDialog* colours = nullptr)
    {
        this->makeSession(host);
        return openWindow(host, colours);
    }

    // The window on the live layer, its templates pointing at `host`.
    frmForecast& openLive(const QString& host)
    {
        this->makeLiveSession(host);
        return openWindow(host, nullptr);
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

    QtTrayIcons tray;
    FakeColorDialog colorDialog;
    std::unique_ptr<frmForecast> window;
    std::unique_ptr<QSignalSpy> ending;
    std::unique_ptr<QSignalSpy> finished;
    int statuses = 0;

private:
    frmForecast& openWindow(const QString& host, ColorDialog* colours)
    {
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
