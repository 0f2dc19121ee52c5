#pragma once
#include <vector>
#include <QObject>
#include <QString>
#include <QStringList>

#include "core/Exception.h"

// A database error of the data-access layer; the fields are filled once, when it is made.
class EFIBError : public EDatabaseError {
public:
    EFIBError(int sqlCode, int gdsCode, QString raiserPath, QString sqlText, QString statusText,
              QString baseText, QObject* raiser);

    int SQLCode() const { return m_sqlCode; }
    int GDSCode() const { return m_gdsCode; }
    const QString& RaiserPath() const { return m_raiserPath; }
    const QString& SQLText() const { return m_sqlText; }
    const QString& StatusText() const { return m_statusText; }
    const QString& BaseText() const { return m_baseText; }
    // The object on whose behalf the call failed; may be gone by the time the error is read.
    QObject* Raiser() const { return m_raiser; }
    // The error handler may shorten the message it shows (a user exception's own text).
    void ChangeMessage(const QString& message) { SetMessage(message); }
    // Every error code of the status vector, the first (GDSCode) included.
    const std::vector<int>& StatusCodes() const { return m_statusCodes; }
    void SetStatusCodes(std::vector<int> codes) { m_statusCodes = std::move(codes); }

    // Raiser path and ":\r\n" (only for a path longer than one character), SQL text, status text, base text.
    static QString ComposeMessage(const QString& raiserPath, const QString& sqlText, const QString& statusText,
                                  const QString& baseText);

private:
    int m_sqlCode;
    int m_gdsCode;
    QString m_raiserPath;
    QString m_sqlText;
    QString m_statusText;
    QString m_baseText;
    QObject* m_raiser;
    std::vector<int> m_statusCodes;
};

// Whether the error means that the connection to the server is gone (by its kind, any status code counted).
bool IsLostConnectionError(const EFIBError& error);

// A failure reported by the server in a status vector.
class EFIBInterBaseError : public EFIBError {
public:
    using EFIBError::EFIBError;
};

// One of the layer's own numbered errors; SQLCode is its number (-1 for a free text).
class EFIBClientError : public EFIBError {
public:
    EFIBClientError(int number, const QString& message, int gdsCode);
};

// The message template of a client error number; empty for an unknown number.
QString ClientErrorTemplate(int number);

// Raises EFIBClientError number with its template filled from args. Never consults the error handler.
[[noreturn]] void RaiseClientError(int number, const QStringList& args = {});

// Full name of a raiser as errors show it: owners outermost first, each followed by "."; empty for none.
QString RaiserPathOf(const QObject* raiser);
