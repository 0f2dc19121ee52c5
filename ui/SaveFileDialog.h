#pragma once
#include <QString>

class QWidget;

// Asks where to save a file, in Qt's own dialog (the same on every desktop, and reachable by tests):
// the file name offered first, the filter ("CSV (*.csv)") and the suffix added when none is typed.
// Empty when the user cancels.
QString AskSaveFileName(QWidget* parent, const QString& objectName, const QString& title, const QString& filter,
                        const QString& suffix, const QString& offeredName);
