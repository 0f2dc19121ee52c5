#pragma once
#include "fib/IIBClientLibrary.h"

// A client library file loaded with dlopen and its entry point table bound by the published names.
class TIBClientLibrary final : public IIBClientLibrary {
public:
    // Loads fileName at once. Throws Exception "Can't load library %s " when the file cannot be loaded
    // and EOSError "System Error.  Code: %d.\r\n%s" when a mandatory entry point is missing.
    explicit TIBClientLibrary(QString fileName);
    ~TIBClientLibrary() override;
    TIBClientLibrary(const TIBClientLibrary&) = delete;
    TIBClientLibrary& operator=(const TIBClientLibrary&) = delete;

    QString LibraryName() const override { return m_name; }
    bool IsLoaded() const override { return m_handle != nullptr; }
    void Load() override;
    void Unload() noexcept override;
    int ClientMajorVersion() const override { return m_major; }
    int ClientMinorVersion() const override { return m_minor; }
    bool Busy() const override { return m_busy > 0; }
    void* Entry(EP slot) const override { return m_table[std::size_t(slot)]; }

protected:
    void SetBusy(bool busy) override { busy ? ++m_busy : --m_busy; }

private:
    void BindEntryPoints();

    QString m_name;
    void* m_handle = nullptr;
    TEntryPointTable m_table{};
    int m_major = 0;
    int m_minor = 0;
    int m_busy = 0;
};
