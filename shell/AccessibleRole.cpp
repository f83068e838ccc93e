#include "AccessibleRole.h"

#include <QAccessibleWidget>
#include <QVariant>
#include <QWidget>

namespace {

const char* const roleProperty = "accessibleRole";

QAccessibleInterface* interfaceWithRole(const QString&, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr)
        return nullptr;
    const QVariant role = widget->property(roleProperty);
    if (!role.isValid())
        return nullptr;
    return new QAccessibleWidget(widget, static_cast<QAccessible::Role>(role.toInt()));
}

} // namespace

namespace AccessibleRole {

void set(QWidget* widget, QAccessible::Role role)
{
    // Installing twice is a no-op; the last factory installed is asked
    // first, so this one comes before the widgets' own.
    QAccessible::installFactory(interfaceWithRole);
    widget->setProperty(roleProperty, static_cast<int>(role));
    // A screen reader running while the widget was built may already have
    // had an interface made for it, which would keep the class's role.
    QAccessibleInterface* made = QAccessible::queryAccessibleInterface(widget);
    if (made != nullptr && made->role() != role)
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

} // namespace AccessibleRole
