#pragma once
#include <QString>

#include <memory>

#include "fib/ClientEntryPoints.h"

// The client library as the layer sees it: the entry point table of one loaded library file.
// Every call goes through Call<>, which keeps the busy flag for its duration and refuses an empty slot.
class IIBClientLibrary {
public:
    virtual ~IIBClientLibrary() = default;

    virtual QString LibraryName() const = 0;
    virtual bool IsLoaded() const = 0;
    // Loads the library file again after Unload; throws as the first load does.
    virtual void Load() = 0;
    virtual void Unload() noexcept = 0;
    virtual int ClientMajorVersion() const = 0;
    virtual int ClientMinorVersion() const = 0;
    // True while a call made through this object runs.
    virtual bool Busy() const = 0;
    // The slot's function, or null when the library does not export it.
    virtual void* Entry(EP slot) const = 0;

    // Calls the entry point of slot E. Throws Exception "Can't find procedure %s in %s" for an empty slot.
    template <EP E, typename... Args>
    auto Call(Args&&... args) {
        auto fn = reinterpret_cast<typename TEntryType<E>::Type>(Entry(E));
        if (!fn) RaiseMissingEntry(E);
        BusyScope busy(*this);
        return fn(std::forward<Args>(args)...);
    }

    // fb_interpret, or isc_interprete when the library lacks it; returns the length of the piece.
    ISC_LONG Interpret(char* buffer, unsigned int size, const ISC_STATUS** vector);

protected:
    virtual void SetBusy(bool busy) = 0;
    [[noreturn]] void RaiseMissingEntry(EP slot) const;

private:
    class BusyScope {
    public:
        explicit BusyScope(IIBClientLibrary& lib) : m_lib(lib) { m_lib.SetBusy(true); }
        ~BusyScope() { m_lib.SetBusy(false); }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        IIBClientLibrary& m_lib;
    };
};

using IIBClientLibraryPtr = std::shared_ptr<IIBClientLibrary>;

// The registered library object whose LibraryName equals fileName exactly (letter case counts), loaded
// again if it had been unloaded; otherwise a new one is loaded and registered. Throws when it cannot load.
IIBClientLibraryPtr GetClientLibrary(const QString& fileName);
// Makes the registry before its users, so that at process end it is emptied (and the libraries
// unloaded) after them.
void EnsureClientLibraryRegistry();
