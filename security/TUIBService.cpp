#include "security/TUIBService.h"

#include <type_traits>

#include "security/TUIBLibrary.h"

static_assert(std::is_same_v<isc_svc_handle, unsigned int>);

TUIBService::TUIBService(QObject* owner) : TComponent(owner) {}

TUIBService::~TUIBService() {
    if (m_handle != 0 && m_library) {
        // A handle left attached by an interrupted exchange; nothing can be reported from here.
        m_library->Api().isc_service_detach(m_library->Status(), &m_handle);
    }
}

void TUIBService::SetLibraryName(const QString& value) {
    m_library.reset();
    m_libraryName = value;
}

void TUIBService::SetClientLibrary(std::unique_ptr<TUIBLibrary> library) { m_library = std::move(library); }

void TUIBService::AttachService() {
    const QByteArray spb = BuildAttachBlock(m_userName, m_passWord);
    if (!m_library) m_library = TUIBLibrary::Load(m_libraryName);
    const QByteArray name = ServiceName(m_protocol, m_host).toUtf8();
    m_library->ServiceAttach(name, &m_handle, spb);
}

void TUIBService::DetachService() {
    // Without a library nothing can have been attached.
    if (!m_library) return;
    m_library->ServiceDetach(&m_handle);
}
