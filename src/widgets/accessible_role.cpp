// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/accessible_role.h"

#include <QAccessibleWidget>
#include <QVariant>
#include <QWidget>

namespace sheafpad {
namespace {

constexpr const char* kRoleProperty = "sheafpadAccessibleRole";

QAccessibleInterface* Factory(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr) {
        return nullptr;
    }
    const QVariant role = widget->property(kRoleProperty);
    return role.isValid() ? new QAccessibleWidget(widget, QAccessible::Role(role.toInt()))
                          : nullptr;
}

} // namespace

void SetAccessibleRole(QWidget* widget, QAccessible::Role role) {
    QAccessible::installFactory(Factory); // a factory already there is not added again
    widget->setProperty(kRoleProperty, int(role));
}

} // namespace sheafpad
