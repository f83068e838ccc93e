#pragma once

#include "TrayIcons.h"

#include <QList>
#include <QSystemTrayIcon>
#include <memory>
#include <vector>

// The tray instances on QSystemTrayIcon. The properties are held here as
// well, so they read back exactly as set even where no notification area
// exists (a QSystemTrayIcon then never becomes visible).
class QtTrayIcons final : public TrayIcons
{
    Q_OBJECT
public:
    struct Design
    {
        QIcon icon;
        QString tip;
    };

    explicit QtTrayIcons(const QList<Design>& design, QObject* parent = nullptr);
    ~QtTrayIcons() override;

    int count() const override;
    bool intray(int index) const override;
    void setIntray(int index, bool shown) override;
    QIcon trayicon(int index) const override;
    void setTrayicon(int index, const QIcon& icon) override;
    QString traytip(int index) const override;
    void setTraytip(int index, const QString& tip) override;
    bool trayAvailable() const override;

    // Tests on a headless platform stand in for a desktop that has a tray.
    void setTrayAvailableOverride(bool available);

private:
    struct Instance
    {
        std::unique_ptr<QSystemTrayIcon> icon;
        bool intray = false;
        QString tip;
        QIcon picture;
    };
    bool valid(int index) const { return index >= 0 && index < static_cast<int>(m_instances.size()); }

    std::vector<Instance> m_instances;
    int m_availableOverride = -1;
};
