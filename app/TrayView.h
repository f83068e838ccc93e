#pragma once

#include "ForecastSession.h"

#include <QIcon>
#include <QList>
#include <QStringList>
#include <optional>

class TrayIcons;

// What the notification area's icons show, as the session says: which
// instances are up after a refresh, their pictures (the sky's, or the
// temperature beside it in one of them, each with the warning mark while
// one is in effect) and their tooltips (the alerts' lines over each
// instance's own text). The designed pictures and tooltips are those the
// instances have when the view is made.
class TrayView
{
public:
    explicit TrayView(TrayIcons& tray);

    // The sky of a refresh: the instances of its classes go up (with a
    // temperature, only the first, showing it), the others down. Answers
    // the designed picture of the last class the sky matched, which the
    // window takes for its icon; null when it matched none (the start-up
    // icon stands in, keeping its own tooltip).
    QIcon showSky(const ForecastSession::TraySky& sky);
    void showAlertLines(const QStringList& lines);
    void showWarning(bool warning);

private:
    void showPictures();

    TrayIcons& m_tray;
    QList<QIcon> m_pictures;
    // Each instance's tooltip below the alerts: the sky conditions, or its
    // designed text until it first shows them.
    QStringList m_tips;
    QStringList m_alertLines;
    std::optional<int> m_fahrenheit;
    int m_temperatureIndex = -1;
    bool m_warning = false;
};
