#pragma once

#include "TrayIcons.h"

#include <QPointer>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QTimer>
#include <chrono>
#include <memory>
#include <vector>

// The tray instances on QSystemTrayIcon. The properties are held here and
// read back exactly as set even where no notification area exists. The
// notification-area icons themselves are made only when first shown, and
// showing and hiding reaches them on the event loop shortly after: making
// the first one costs about as much as painting the main window, so it is
// kept out of the program's start.
class QtTrayIcons final : public TrayIcons
{
    Q_OBJECT
public:
    struct Design
    {
        QIcon icon;
        QString tip;
    };

    explicit QtTrayIcons(const QList<Design>& design,
                         std::chrono::milliseconds showDelay = std::chrono::milliseconds(0),
                         QObject* parent = nullptr);
    ~QtTrayIcons() override;

    int count() const override;
    bool intray(int index) const override;
    void setIntray(int index, bool shown) override;
    QIcon trayicon(int index) const override;
    void setTrayicon(int index, const QIcon& icon) override;
    QString traytip(int index) const override;
    void setTraytip(int index, const QString& tip) override;
    bool trayAvailable() const override;
    void setContextMenu(QMenu* menu) override;
    bool showMessage(const QString& title, const QString& text, bool warning,
                     std::chrono::milliseconds shownFor) override;

    // Tests on a headless platform stand in for a desktop that has a tray.
    void setTrayAvailableOverride(bool available);

    // Whether instance `index` has a visible notification-area icon now.
    bool shownInNotificationArea(int index) const;
    // The tooltip as handed to the notification area; empty while the
    // instance has no icon there yet.
    QString toolTipInNotificationArea(int index) const;
    // The menu as handed to the notification area; null while the instance
    // has no icon there yet.
    QMenu* contextMenuInNotificationArea(int index) const;
    // The messages handed to the notification area, each as "title: text".
    QStringList messagesInNotificationArea() const { return m_messages; }

private:
    struct Instance
    {
        std::unique_ptr<QSystemTrayIcon> icon;
        bool intray = false;
        QString tip;
        QIcon picture;
    };
    bool valid(int index) const { return index >= 0 && index < static_cast<int>(m_instances.size()); }
    void showInNotificationArea();
    QSystemTrayIcon* makeIcon(int index);

    std::vector<Instance> m_instances;
    QTimer m_sync;
    int m_availableOverride = -1;
    QPointer<QMenu> m_contextMenu;
    QStringList m_messages;
};
