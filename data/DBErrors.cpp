#include "data/DBErrors.h"

#include "core/Format.h"
#include "core/TComponent.h"

using namespace Qt::StringLiterals;

void DatabaseError(const QString& message, const TComponent* component) {
    if (component && !component->Name().isEmpty())
        throw EDatabaseError(FormatMessage(u"%s: %s"_s, {component->Name(), message}));
    throw EDatabaseError(message);
}
