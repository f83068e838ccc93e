#include "QtTrayIcons.h"

#include "WindowServices.h"

#include <QMenu>

QtTrayIcons::QtTrayIcons(const QList<Design>& design, std::chrono::milliseconds showDelay, QObject* parent)
    : TrayIcons(parent)
{
    m_instances.resize(static_cast<size_t>(design.size()));
    for (int index = 0; index < design.size(); ++index) {
        Instance& instance = m_instances[static_cast<size_t>(index)];
        instance.picture = design[index].icon;
        instance.tip = design[index].tip;
    }
    m_sync.setSingleShot(true);
    m_sync.setInterval(showDelay);
    connect(&m_sync, &QTimer::timeout, this, [this] {
        // Later changes are as urgent as any other repaint.
        m_sync.setInterval(0);
        showInNotificationArea();
    });
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
    m_instances[static_cast<size_t>(index)].intray = shown;
    if (!m_sync.isActive())
        m_sync.start();
}

QSystemTrayIcon* QtTrayIcons::makeIcon(int index)
{
    Instance& instance = m_instances[static_cast<size_t>(index)];
    instance.icon = std::make_unique<QSystemTrayIcon>(instance.picture);
    instance.icon->setToolTip(WindowServices::plainToolTip(instance.tip));
    instance.icon->setContextMenu(m_contextMenu);
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
    return instance.icon.get();
}

void QtTrayIcons::showInNotificationArea()
{
    for (int index = 0; index < count(); ++index) {
        Instance& instance = m_instances[static_cast<size_t>(index)];
        if (instance.icon)
            instance.icon->setVisible(instance.intray);
        else if (instance.intray)
            makeIcon(index)->setVisible(true);
    }
}

bool QtTrayIcons::shownInNotificationArea(int index) const
{
    return valid(index) && m_instances[static_cast<size_t>(index)].icon &&
           m_instances[static_cast<size_t>(index)].icon->isVisible();
}

QString QtTrayIcons::toolTipInNotificationArea(int index) const
{
    return valid(index) && m_instances[static_cast<size_t>(index)].icon
               ? m_instances[static_cast<size_t>(index)].icon->toolTip()
               : QString();
}

QMenu* QtTrayIcons::contextMenuInNotificationArea(int index) const
{
    return valid(index) && m_instances[static_cast<size_t>(index)].icon
               ? m_instances[static_cast<size_t>(index)].icon->contextMenu()
               : nullptr;
}

void QtTrayIcons::setContextMenu(QMenu* menu)
{
    m_contextMenu = menu;
    for (Instance& instance : m_instances) {
        if (instance.icon)
            instance.icon->setContextMenu(menu);
    }
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
    if (instance.icon)
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
    if (instance.icon)
        instance.icon->setToolTip(WindowServices::plainToolTip(tip));
}

bool QtTrayIcons::showMessage(const QString& title, const QString& text, bool warning,
                              std::chrono::milliseconds shownFor)
{
    // An icon just put up may still wait for its first showing.
    if (m_sync.isActive()) {
        m_sync.stop();
        m_sync.setInterval(0);
        showInNotificationArea();
    }
    for (Instance& instance : m_instances) {
        if (!instance.icon || !instance.icon->isVisible())
            continue;
        // Qt's own message balloon shows the text as plain text.
        instance.icon->showMessage(title, text,
                                   warning ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information,
                                   static_cast<int>(shownFor.count()));
        m_messages.append(title + QStringLiteral(": ") + text);
        return true;
    }
    return false;
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
