#pragma once
#include <QString>
#include <QStringList>

#include "core/Exception.h"

// An error reported by the client library to the security service client.
class EUIBError : public Exception {
public:
    EUIBError(const QString& message, qint32 gdsCode, int sqlCode);

    // The status code of the failed call.
    qint32 GDSCode() const { return m_gdsCode; }
    // Its low 16 bits.
    int ErrorCode() const { return m_gdsCode & 0xFFFF; }
    int SQLCode() const { return m_sqlCode; }

private:
    qint32 m_gdsCode;
    int m_sqlCode;
};

// Subclasses chosen by the facility of the status code (bits 16 to 23).
class EUIBGFixError : public EUIBError { public: using EUIBError::EUIBError; };     // 3
class EUIBDSQLError : public EUIBError { public: using EUIBError::EUIBError; };     // 7
class EUIBDynError : public EUIBError { public: using EUIBError::EUIBError; };      // 8
class EUIBGBakError : public EUIBError { public: using EUIBError::EUIBError; };     // 12
class EUIBGSecError : public EUIBError { public: using EUIBError::EUIBError; };     // 18
class EUIBLicenseError : public EUIBError { public: using EUIBError::EUIBError; };  // 19
class EUIBGStatError : public EUIBError { public: using EUIBError::EUIBError; };    // 21

// A database exception raised by the server (status code 335544517).
class EUIBException : public EUIBError {
public:
    EUIBException(const QString& message, qint32 gdsCode, int sqlCode, int number)
        : EUIBError(message, gdsCode, sqlCode), m_number(number) {}
    // The number of the database exception.
    int Number() const { return m_number; }

private:
    int m_number;
};

// The status code of a user-defined database exception.
inline constexpr qint32 kUIBExceptionCode = 335544517;

// The facility of a status code: bits 16 to 23.
inline int UIBFacility(qint32 gdsCode) { return (gdsCode >> 16) & 0xFF; }

// The message of a failed call: each interpreted status line, then (for a non-zero sqlCode) the
// text of the SQL code, each followed by CR LF; then CR LF, "GDS Code: " and the code, and right
// after its last digit "Error Code: " and its low 16 bits.
QString ComposeUIBErrorMessage(const QStringList& statusLines, int sqlCode, const QString& sqlCodeText,
                               qint32 gdsCode);

// Throws the class the facility table gives for gdsCode.
[[noreturn]] void RaiseUIBError(const QString& message, qint32 gdsCode, int sqlCode, int exceptionNumber);
