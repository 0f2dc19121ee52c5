#pragma once
#include <QString>
#include <memory>

#include "core/TComponent.h"
#include "security/ServiceBlocks.h"

class TUIBLibrary;

// A connection to the Firebird service manager through a client library loaded by file name.
class TUIBService : public TComponent {
    Q_OBJECT
public:
    explicit TUIBService(QObject* owner = nullptr);
    ~TUIBService() override;

    const QString& UserName() const { return m_userName; }
    void SetUserName(const QString& value) { m_userName = value; }
    const QString& PassWord() const { return m_passWord; }
    void SetPassWord(const QString& value) { m_passWord = value; }
    const QString& Host() const { return m_host; }
    void SetHost(const QString& value) { m_host = value; }
    TUIBProtocol Protocol() const { return m_protocol; }
    void SetProtocol(TUIBProtocol value) { m_protocol = value; }
    const QString& LibraryName() const { return m_libraryName; }
    // Unloads the library if it is loaded; the next attach loads the new one.
    void SetLibraryName(const QString& value);

    // Loads the library when needed and attaches with UserName and PassWord. Throws Exception for a
    // library that cannot be used or a login that does not fit the attach block, EUIBError (or a
    // subclass) when the attach is refused; nothing is attached then.
    virtual void AttachService();
    // Throws EUIBError when the detach fails.
    virtual void DetachService();

    bool Attached() const { return m_handle != 0; }
    // Uses a library whose functions are already bound instead of loading LibraryName.
    void SetClientLibrary(std::unique_ptr<TUIBLibrary> library);

protected:
    // The loaded library; valid while attached.
    TUIBLibrary& Library() { return *m_library; }
    unsigned int* Handle() { return &m_handle; }

private:
    QString m_userName;
    QString m_passWord;
    QString m_host;
    TUIBProtocol m_protocol = proLocalHost;
    QString m_libraryName = QStringLiteral("gds32.dll");
    std::unique_ptr<TUIBLibrary> m_library;
    unsigned int m_handle = 0;
};
