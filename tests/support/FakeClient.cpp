#include "FakeClient.h"

#include <dlfcn.h>

#include <stdexcept>
#include <vector>

#include "TestServer.h"

QString FakeClient::Path(const char* variant) {
    return TestServer::FakeDir() + QStringLiteral("/libfakefb_") + QString::fromLatin1(variant) +
           QStringLiteral(".so");
}

FakeClient::FakeClient(const char* variant) : m_path(Path(variant)) {
    m_handle = dlopen(m_path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) throw std::runtime_error(dlerror());
    Reset();
}

FakeClient::~FakeClient() {
    if (m_handle) dlclose(m_handle);
}

void* FakeClient::Fn(const char* name) const {
    void* f = dlsym(m_handle, name);
    if (!f) throw std::runtime_error(name);
    return f;
}

void FakeClient::Reset() { reinterpret_cast<void (*)()>(Fn("fake_reset"))(); }
void FakeClient::SetSqlCode(long code) { reinterpret_cast<void (*)(long)>(Fn("fake_set_sqlcode"))(code); }
void FakeClient::SetSqlText(const QByteArray& text) {
    reinterpret_cast<void (*)(const char*)>(Fn("fake_set_sql_text"))(text.constData());
}
void FakeClient::SetMessage(long gdsCode, const QByteArray& text) {
    reinterpret_cast<void (*)(long, const char*)>(Fn("fake_set_message"))(gdsCode, text.constData());
}
void FakeClient::SetAttachStatus(std::initializer_list<intptr_t> vector) {
    std::vector<intptr_t> v(vector);
    reinterpret_cast<void (*)(const intptr_t*, int)>(Fn("fake_set_attach_status"))(v.data(), int(v.size()));
}
void FakeClient::SetDetachStatus(std::initializer_list<intptr_t> vector) {
    std::vector<intptr_t> v(vector);
    reinterpret_cast<void (*)(const intptr_t*, int)>(Fn("fake_set_detach_status"))(v.data(), int(v.size()));
}
void FakeClient::SetDescribeStatus(std::initializer_list<intptr_t> vector) {
    std::vector<intptr_t> v(vector);
    reinterpret_cast<void (*)(const intptr_t*, int)>(Fn("fake_set_describe_status"))(v.data(), int(v.size()));
}
void FakeClient::SetProbe(void (*probe)()) {
    reinterpret_cast<void (*)(void (*)())>(Fn("fake_set_probe"))(probe);
}
void FakeClient::SetDialect(int dialect) { reinterpret_cast<void (*)(int)>(Fn("fake_set_dialect"))(dialect); }
void FakeClient::SetStartHandle(int handle) {
    reinterpret_cast<void (*)(int)>(Fn("fake_set_start_handle"))(handle);
}
int FakeClient::AttachCalls() const { return reinterpret_cast<int (*)()>(Fn("fake_attach_calls"))(); }
int FakeClient::InfoCalls() const { return reinterpret_cast<int (*)()>(Fn("fake_info_calls"))(); }
int FakeClient::DetachCalls() const { return reinterpret_cast<int (*)()>(Fn("fake_detach_calls"))(); }
