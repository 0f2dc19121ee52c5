#pragma once
#include <QString>
#include <vector>

// The kind given to a server error; the ordinal values are tested by callers.
enum TKindIBError {
    keNoError,
    keException,
    keForeignKey,
    keLostConnect,
    keSecurity,
    keCheck,
    keUniqueViolation,
    keOther
};

// Words looked for in error messages.
struct TErrorLexems {
    QString Constraint = QStringLiteral("constraint");
    QString Index = QStringLiteral("index");
    QString Exception = QStringLiteral("exception");
    QString At = QStringLiteral("at");
};

// Kind of an error by its SQLCODE first, then by its first status code; a lost connection is also
// recognised by any later code of the status vector (the server often puts it behind another one).
TKindIBError ClassifyKind(int sqlCode, int gdsCode, const std::vector<int>& laterCodes = {});

// True for the status codes that mean the connection to the server is gone.
bool IsLostConnectionCode(int gdsCode);

// The user exception's number and name as found while cutting its message.
struct TUserExceptionInfo {
    int Number = -1;
    QString Name;
};

// Cuts a user-exception message down to the exception's own text. withName: the sender's transaction
// works with a Firebird server of major version 2 or higher, whose messages carry the exception's name.
QString CutUserExceptionMessage(const QString& message, const TErrorLexems& lexems, bool withName,
                                TUserExceptionInfo& info);
