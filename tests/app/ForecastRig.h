#pragma once

#include "EventLoopYielder.h"
#include "FakeColorDialog.h"
#include "FirstStart.h"
#include "MemorySettingsStore.h"
#include "ModuleState.h"
#include "QtHttpClient.h"
#include "QtTrayIcons.h"
#include "Resources.h"
#include "SampleServer.h"
#include "SkyClasses.h"
#include "frmForecast.h"

#include <QSignalSpy>
#include <memory>

// A main window wired to an in-memory store, the sample server on
// loopback and tray instances that report a notification area.
struct ForecastRig
{
    explicit ForecastRig(std::chrono::milliseconds httpTimeout = std::chrono::seconds(10))
        : http(httpTimeout), tray(design())
    {
        server.listen();
        tray.setTrayAvailableOverride(true);
    }

    static QList<QtTrayIcons::Design> design()
    {
        initVentaroResources();
        QList<QtTrayIcons::Design> icons;
        for (int index = 0; index < SkyClasses::iconCount; ++index)
            icons.append({trayIcon(index),
                          index == SkyClasses::StartUp ? QStringLiteral("Ventaro") : QStringLiteral(".")});
        return icons;
    }

    frmForecast& open(std::chrono::milliseconds tick = std::chrono::hours(1))
    {
        window = std::make_unique<frmForecast>(
            frmForecast::Services{store, http, yielder, tray, colorDialog, state,
                                  ServerHosts{server.host(), server.host(), server.host()}},
            tick);
        ending = std::make_unique<QSignalSpy>(window.get(), &frmForecast::programEnding);
        window->Form_Load();
        return *window;
    }

    // Writes the first-start values, as on a 12000 x 9000 twips screen, so
    // that a test can change some of them before the window opens.
    void initializeStore()
    {
        InitializeSettings(store, QSizeF(12000, 9000), QSizeF(7350, 4065), QStringLiteral("100"));
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
    QtHttpClient http;
    EventLoopYielder yielder;
    QtTrayIcons tray;
    FakeColorDialog colorDialog;
    ModuleState state;
    std::unique_ptr<frmForecast> window;
    std::unique_ptr<QSignalSpy> ending;
};
