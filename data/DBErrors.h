#pragma once
#include <QString>

#include "core/Exception.h"

class TComponent;

// Message texts of the dataset model.
namespace DBText {
inline const QString FieldNotFound = QStringLiteral("Field '%s' not found");
inline const QString DataSetReadOnly = QStringLiteral("Cannot modify a read-only dataset");
inline const QString NotEditing = QStringLiteral("Dataset not in edit or insert mode");
inline const QString DataSetEmpty = QStringLiteral("Cannot perform this operation on an empty dataset");
inline const QString BookmarkNotBrowse = QStringLiteral("Can't use bookmark. DataSet not in browse mode");
inline const QString DataSetClosed = QStringLiteral("Cannot perform this operation on a closed dataset");
inline const QString FieldReadOnly = QStringLiteral("Field '%s' cannot be modified");
inline const QString FieldRequired = QStringLiteral("Field '%s' must have a value");
inline const QString CircularDataLink = QStringLiteral("Circular datalinks are not allowed");
inline const QString FieldNoDataSet = QStringLiteral("Field '%s' has no dataset");
inline const QString InvalidValue = QStringLiteral("'%s' is not a valid value for field '%s'");
inline const QString OutOfRange =
    QStringLiteral("%s is not a valid value for field '%s'. The allowed range is %s to %s");
inline const QString BadFieldAccess = QStringLiteral("Cannot access field '%s' as type %s");
}  // namespace DBText

// Raises EDatabaseError with message, prefixed "%s: %s" with the component's Name when it has one.
[[noreturn]] void DatabaseError(const QString& message, const TComponent* component = nullptr);
