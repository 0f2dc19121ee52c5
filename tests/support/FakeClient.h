#pragma once
#include <QString>

#include <cstdint>
#include <initializer_list>

// Steers one of the fake client libraries built beside the tests (full, noopt, noretaining, nomandatory):
// what its status calls report and how often the database calls ran.
class FakeClient {
public:
    // The library file of a variant, as a client library name for the layer.
    static QString Path(const char* variant);

    explicit FakeClient(const char* variant = "full");
    ~FakeClient();
    FakeClient(const FakeClient&) = delete;
    FakeClient& operator=(const FakeClient&) = delete;

    QString Path() const { return m_path; }
    void Reset();
    void SetSqlCode(long code);
    // Texts are given as the client library's bytes (Windows-1251).
    void SetSqlText(const QByteArray& text);
    void SetMessage(long gdsCode, const QByteArray& text);
    // The status vector the next attach reports; empty for success.
    void SetAttachStatus(std::initializer_list<intptr_t> vector);
    void SetDetachStatus(std::initializer_list<intptr_t> vector);
    // The status vector with which describing a statement's parameters fails; empty for success.
    void SetDescribeStatus(std::initializer_list<intptr_t> vector);
    // probe runs inside the library's isc_sqlcode.
    void SetProbe(void (*probe)());
    void SetDialect(int dialect);
    // The handle the next isc_start_multiple hands out (0, the default, leaves the transaction inactive).
    void SetStartHandle(int handle);
    int AttachCalls() const;
    int InfoCalls() const;
    int DetachCalls() const;

private:
    void* Fn(const char* name) const;
    QString m_path;
    void* m_handle = nullptr;
};
