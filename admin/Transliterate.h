#pragma once
#include <QString>

// The Latin spelling of a Cyrillic name: each Russian letter becomes its fixed Latin letter or
// letters, a blank becomes "_", every other character stays as it is.
QString Transliterate(const QString& text);
