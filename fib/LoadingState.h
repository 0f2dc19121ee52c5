#pragma once
#include <QObject>

// True when the object or any owner above it is a component being loaded.
bool IsLoadingChain(const QObject* object);
