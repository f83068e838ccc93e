#pragma once

#include <QAccessible>

class QWidget;

// Accessible roles other than a widget's class gives it, for screen readers
// and other assistive technology: a borderless frame that makes a group of
// options, a label that is a window's status line.
namespace AccessibleRole {

// From now on `widget` is presented with `role`, its accessible name and
// description as set on the widget, and its child widgets as its children.
// The role holds for the widget's life; an interface made for it before
// the call is replaced.
void set(QWidget* widget, QAccessible::Role role);

} // namespace AccessibleRole
