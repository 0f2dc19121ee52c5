#include "fib/TIBClientLibrary.h"

#include <dlfcn.h>

#include <cerrno>
#include <mutex>
#include <vector>

#include "core/Exception.h"
#include "core/Format.h"

using namespace Qt::StringLiterals;

ISC_LONG IIBClientLibrary::Interpret(char* buffer, unsigned int size, const ISC_STATUS** vector) {
    if (Entry(EP::fb_interpret)) return Call<EP::fb_interpret>(buffer, size, vector);
    // The old call has no buffer size: callers hand in a buffer far larger than any message.
    return Call<EP::isc_interprete>(buffer, const_cast<ISC_STATUS**>(vector));
}

void IIBClientLibrary::RaiseMissingEntry(EP slot) const {
    throw Exception(FormatMessage(u"Can't find procedure %s in %s"_s,
                                  {QString::fromLatin1(kEntryPoints[std::size_t(slot)].name), LibraryName()}));
}

TIBClientLibrary::TIBClientLibrary(QString fileName) : m_name(std::move(fileName)) { Load(); }

TIBClientLibrary::~TIBClientLibrary() { Unload(); }

void TIBClientLibrary::Load() {
    if (m_handle) return;
    // An empty name would hand back the program itself.
    if (!m_name.isEmpty()) m_handle = dlopen(m_name.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) throw Exception(FormatMessage(u"Can't load library %s "_s, {m_name}));
    try {
        BindEntryPoints();
    } catch (...) {
        Unload();
        throw;
    }
}

void TIBClientLibrary::Unload() noexcept {
    m_table.fill(nullptr);
    if (m_handle) dlclose(m_handle);
    m_handle = nullptr;
}

void TIBClientLibrary::BindEntryPoints() {
    m_table.fill(nullptr);
    for (const TEntryPointSpec& ep : kEntryPoints) {
        bool mandatory = false;
        switch (ep.rule) {
        case TEntryRule::Mandatory: mandatory = true; break;
        case TEntryRule::Optional: break;
        case TEntryRule::IfRollbackRetaining:
            if (!Entry(EP::isc_rollback_retaining)) continue;
            mandatory = true;
            break;
        case TEntryRule::IfClientVersion:
            if (!Entry(EP::isc_get_client_version)) continue;
            mandatory = true;
            break;
        case TEntryRule::OptionalIfClientVersion:
            if (!Entry(EP::isc_get_client_version)) continue;
            break;
        }
        dlerror();
        void* fn = dlsym(m_handle, ep.name);
        if (!fn && mandatory) {
            const char* why = dlerror();
            // dlsym reports no error number of its own; ENOENT stands for "symbol not there".
            throw EOSError(FormatMessage(u"System Error.  Code: %d.\r\n%s"_s,
                                         {QString::number(ENOENT), QString::fromLocal8Bit(why ? why : "")}),
                           ENOENT);
        }
        m_table[std::size_t(ep.slot)] = fn;
    }
    if (Entry(EP::isc_rollback_retaining)) {
        m_major = 6;
        m_minor = 0;
    } else {
        m_major = 5;
        m_minor = 0;
    }
    if (Entry(EP::isc_get_client_version)) {
        m_major = Call<EP::isc_get_client_major_version>();
        m_minor = Call<EP::isc_get_client_minor_version>();
    }
}

namespace {
// Every library object of the process; they stay loaded until the process ends.
struct TLibraryRegistry {
    std::mutex lock;
    std::vector<IIBClientLibraryPtr> libraries;
    ~TLibraryRegistry() {
        std::lock_guard guard(lock);
        for (auto& lib : libraries) lib->Unload();
        libraries.clear();
    }
};

TLibraryRegistry& Registry() {
    static TLibraryRegistry registry;
    return registry;
}
}  // namespace

// Called by the database list before it is made, so the libraries outlive every database at process end.
void EnsureClientLibraryRegistry() { (void)Registry(); }

IIBClientLibraryPtr GetClientLibrary(const QString& fileName) {
    TLibraryRegistry& reg = Registry();
    std::lock_guard guard(reg.lock);
    for (auto& lib : reg.libraries) {
        if (lib->LibraryName() == fileName) {
            if (!lib->IsLoaded()) lib->Load();
            return lib;
        }
    }
    auto lib = std::make_shared<TIBClientLibrary>(fileName);
    reg.libraries.push_back(lib);
    return lib;
}
