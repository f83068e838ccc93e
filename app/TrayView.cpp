#include "TrayView.h"

#include "TrayPicture.h"
#include "shell/TrayIcons.h"

TrayView::TrayView(TrayIcons& tray) : m_tray(tray)
{
    for (int index = 0; index < m_tray.count(); ++index) {
        m_pictures.append(m_tray.trayicon(index));
        m_tips.append(m_tray.traytip(index));
    }
}

QIcon TrayView::showSky(const ForecastSession::TraySky& sky)
{
    for (int index = 0; index < m_tray.count(); ++index)
        m_tray.setIntray(index, false);
    // Sky conditions that match no keyword get the start-up icon as a
    // stand-in, so a hidden window is never out of reach.
    const QList<int> icons = SkyClasses::trayIcons(sky.choice);
    // The temperature goes in one icon, the first the rule shows, with that
    // one's sky beside it; the others would only repeat it.
    m_fahrenheit = sky.fahrenheit;
    m_temperatureIndex = m_fahrenheit && !icons.isEmpty() ? icons.first() : -1;
    for (int index : icons) {
        const bool matched = sky.choice.shown.contains(index);
        if (m_temperatureIndex < 0 || index == m_temperatureIndex)
            m_tray.setIntray(index, true);
        if (matched && index < m_tips.size()) {
            m_tips[index] = sky.sky;
            m_tray.setTraytip(index, ForecastSession::belowAlerts(m_alertLines, sky.sky));
        }
    }
    showPictures();
    return sky.choice.windowIcon ? m_pictures.value(*sky.choice.windowIcon) : QIcon();
}

void TrayView::showAlertLines(const QStringList& lines)
{
    m_alertLines = lines;
    for (int index = 0; index < m_tray.count() && index < m_tips.size(); ++index)
        m_tray.setTraytip(index, ForecastSession::belowAlerts(m_alertLines, m_tips[index]));
}

void TrayView::showWarning(bool warning)
{
    m_warning = warning;
    showPictures();
}

void TrayView::showPictures()
{
    for (int index = 0; index < m_tray.count() && index < m_pictures.size(); ++index) {
        QIcon picture = index == m_temperatureIndex
                            ? TrayPicture::temperatureIcon(*m_fahrenheit, m_pictures[index])
                            : m_pictures[index];
        if (m_warning)
            picture = TrayPicture::withWarningBadge(picture);
        // A picture is set again only where it changes, as a tray redraws
        // whatever it is handed.
        if (m_tray.trayicon(index).cacheKey() != picture.cacheKey())
            m_tray.setTrayicon(index, picture);
    }
}
