#include "fib/LoadingState.h"

#include "core/TComponent.h"

bool IsLoadingChain(const QObject* object) {
    for (const QObject* o = object; o; o = o->parent())
        if (auto* c = qobject_cast<const TComponent*>(o); c && c->IsLoading()) return true;
    return false;
}
