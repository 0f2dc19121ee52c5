#pragma once
#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <span>

#include "security/TUIBClientApi.h"

// One entry point the client library must export; bind fills the slot of those that are called.
struct TUIBEntryPoint {
    const char* Name;
    bool Required;
    void (*Bind)(TUIBClientApi& api, void* address);
};

// The client library as the security service client uses it: the bound entry points and the
// status vector of the last call.
class TUIBLibrary {
public:
    // Loads fileName and checks its entry points. Throws Exception "Can't load library: %s." or,
    // after unloading it again, "Incorrect Database Server version, check compiler options.".
    static std::unique_ptr<TUIBLibrary> Load(const QString& fileName);
    // A library whose functions are handed in (no file is loaded).
    explicit TUIBLibrary(const TUIBClientApi& api);
    ~TUIBLibrary() noexcept;
    TUIBLibrary(const TUIBLibrary&) = delete;
    TUIBLibrary& operator=(const TUIBLibrary&) = delete;

    const TUIBClientApi& Api() const { return m_api; }
    ISC_STATUS* Status() { return m_status; }

    // The calls of the service manager; each checks its status (CheckStatus).
    void ServiceAttach(const QByteArray& serviceName, isc_svc_handle* handle, const QByteArray& spb);
    void ServiceDetach(isc_svc_handle* handle);
    void ServiceStart(isc_svc_handle* handle, const QByteArray& block);
    void ServiceQuery(isc_svc_handle* handle, const QByteArray& request, QByteArray& reply);

    // Raises the EUIBError the facility of the status code asks for, when the call failed: a
    // non-zero code whose two highest bits are clear.
    void CheckStatus(ISC_STATUS code);

    // Every entry point the library must export, in one list.
    static std::span<const TUIBEntryPoint> EntryPoints();
    // The first required entry point that lookup does not find; empty when all are there.
    static QString FirstMissingEntryPoint(const std::function<void*(const char*)>& lookup);

private:
    TUIBLibrary(void* module, const TUIBClientApi& api);

    void* m_module = nullptr;
    TUIBClientApi m_api;
    ISC_STATUS m_status[20] = {};
};
