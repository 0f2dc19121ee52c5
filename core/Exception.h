#pragma once
#include <QString>
#include <exception>
#include <string>

// Base of every exception the program raises; Message() is the text shown to the user.
class Exception : public std::exception {
public:
    explicit Exception(QString message) : m_message(std::move(message)), m_utf8(m_message.toStdString()) {}
    const QString& Message() const { return m_message; }
    const char* what() const noexcept override { return m_utf8.c_str(); }

protected:
    void SetMessage(const QString& message) {
        m_message = message;
        m_utf8 = message.toStdString();
    }

private:
    QString m_message;
    std::string m_utf8;
};

// The silent exception: ends a command without any message.
class EAbort : public Exception {
public:
    explicit EAbort(QString message = QString()) : Exception(std::move(message)) {}
};

// A database error of any layer.
class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

// A text that does not convert to the type asked for.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A failure reported by the operating system.
class EOSError : public Exception {
public:
    EOSError(QString message, int code) : Exception(std::move(message)), m_code(code) {}
    int ErrorCode() const { return m_code; }

private:
    int m_code;
};
