#include "QtTrayIcons.h"

QtTrayIcons::QtTrayIcons(const QList<Design>& design, QObject* parent) : TrayIcons(parent)
{
    m_instances.resize(static_cast<size_t>(design.size()));
    for (int index = 0; index < design.size(); ++index) {
        Instance& instance = m_instances[static_cast<size_t>(index)];
        instance.picture = design[index].icon;
        instance.tip = design[index].tip;
        instance.icon = std::make_unique<QSystemTrayIcon>(instance.picture);
        instance.icon->setToolTip(instance.tip);
        connect(instance.icon.get(), &QSystemTrayIcon::activated, this,
                [this, index](QSystemTrayIcon::ActivationReason reason) {
                    switch (reason) {
                    case QSystemTrayIcon::Context:
                        Q_EMIT buttonEvent(index, rightButton, 0);
                        break;
                    case QSystemTrayIcon::Trigger:
                    case QSystemTrayIcon::DoubleClick:
                        Q_EMIT showEvent(index);
                        break;
                    default:
                        Q_EMIT buttonEvent(index, 4, 0);
                        break;
                    }
                });
    }
}

QtTrayIcons::~QtTrayIcons() = default;

int QtTrayIcons::count() const
{
    return static_cast<int>(m_instances.size());
}

bool QtTrayIcons::intray(int index) const
{
    return valid(index) && m_instances[static_cast<size_t>(index)].intray;
}

void QtTrayIcons::setIntray(int index, bool shown)
{
    if (!valid(index))
        return;
    Instance& instance = m_instances[static_cast<size_t>(index)];
    instance.intray = shown;
    instance.icon->setVisible(shown);
}

QIcon QtTrayIcons::trayicon(int index) const
{
    return valid(index) ? m_instances[static_cast<size_t>(index)].picture : QIcon();
}

void QtTrayIcons::setTrayicon(int index, const QIcon& icon)
{
    if (!valid(index))
        return;
    Instance& instance = m_instances[static_cast<size_t>(index)];
    instance.picture = icon;
    instance.icon->setIcon(icon);
}

QString QtTrayIcons::traytip(int index) const
{
    return valid(index) ? m_instances[static_cast<size_t>(index)].tip : QString();
}

void QtTrayIcons::setTraytip(int index, const QString& tip)
{
    if (!valid(index))
        return;
    Instance& instance = m_instances[static_cast<size_t>(index)];
    instance.tip = tip;
    instance.icon->setToolTip(tip);
}

bool QtTrayIcons::trayAvailable() const
{
    if (m_availableOverride >= 0)
        return m_availableOverride == 1;
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtTrayIcons::setTrayAvailableOverride(bool available)
{
    m_availableOverride = available ? 1 : 0;
}
