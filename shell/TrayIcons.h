#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <chrono>

class QMenu;

// The program's notification-area icons: a fixed set of instances addressed
// by index, each with the properties `intray`, `trayicon` and `traytip`.
// Instances raise a button event (index, button code, unused value; code 2
// is the right button) and a show event (the left-click gesture).
class TrayIcons : public QObject
{
    Q_OBJECT
public:
    static constexpr int rightButton = 2;

    using QObject::QObject;
    ~TrayIcons() override = default;

    virtual int count() const = 0;

    virtual bool intray(int index) const = 0;
    virtual void setIntray(int index, bool shown) = 0;

    virtual QIcon trayicon(int index) const = 0;
    virtual void setTrayicon(int index, const QIcon& icon) = 0;

    virtual QString traytip(int index) const = 0;
    virtual void setTraytip(int index, const QString& tip) = 0;

    // Whether the desktop has a notification area at all. Without one an
    // icon put "in the tray" cannot bring a hidden window back.
    virtual bool trayAvailable() const = 0;

    // The menu every instance offers where the notification area shows an
    // icon's menu itself instead of reporting the right button (the
    // StatusNotifierItem hosts of today's desktops). Where the button is
    // reported, that menu may already be open when the button event
    // arrives. The menu must outlive the instances or be unset first.
    virtual void setContextMenu(QMenu* menu) = 0;

    // Shows a message from one of the icons in the notification area, the
    // text as its characters (never as markup), marked as a warning when
    // `warning`, for `shownFor` (0: until the user closes it). False when no
    // icon is in the notification area to show it from.
    virtual bool showMessage(const QString& title, const QString& text, bool warning,
                             std::chrono::milliseconds shownFor) = 0;

Q_SIGNALS:
    void buttonEvent(int index, int button, int unused);
    void showEvent(int index);
};
