#include "core/TComponent.h"

#include <QStringList>

TComponent::TComponent(QObject* owner) : QObject(owner) {}

TComponent::~TComponent() = default;

QString TComponent::FullName() const { return FullNameOf(this); }

QString FullNameOf(const QObject* object) {
    if (!object) return {};
    QStringList parts;
    for (const QObject* o = object->parent(); o; o = o->parent())
        if (!o->objectName().isEmpty()) parts.prepend(o->objectName());
    QString result;
    for (const QString& p : parts) result += p + QLatin1Char('.');
    return result + object->objectName();
}
