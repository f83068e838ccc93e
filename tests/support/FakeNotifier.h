#pragma once

#include "shell/Notifier.h"

#include <QList>

// Records each notification in the order asked for.
class FakeNotifier final : public Notifier
{
public:
    void notify(const Notification& notification) override { notifications.append(notification); }

    QList<Notification> notifications;
};
