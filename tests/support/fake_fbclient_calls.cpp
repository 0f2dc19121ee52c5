// A fake client library for tests: the calls the layer makes, producing the status vectors, texts and
// information replies a test chooses through the fake_* control functions.
#include <ibase.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {
struct FakeState {
    long sqlcode = -902;
    std::string sqlText;
    std::map<long, std::string> messages;
    std::vector<ISC_STATUS> attachStatus;
    std::vector<ISC_STATUS> detachStatus;
    std::vector<ISC_STATUS> describeStatus;
    void (*probe)() = nullptr;
    int dialect = 3;
    int attachCalls = 0;
    int infoCalls = 0;
    int detachCalls = 0;
    int startHandle = 0;  // what isc_start_multiple hands out; 0 leaves the transaction inactive
};
FakeState& State() {
    static FakeState s;
    return s;
}

// One message per gds cluster; the pointer moves past the cluster and its arguments.
long NextPiece(char* buffer, unsigned size, const ISC_STATUS** vector) {
    const ISC_STATUS* v = *vector;
    if (v[0] != isc_arg_gds || v[1] == 0) return 0;
    const long code = long(v[1]);
    v += 2;
    while (v[0] != isc_arg_end && v[0] != isc_arg_gds) v += (v[0] == isc_arg_cstring) ? 3 : 2;
    *vector = v;
    auto it = State().messages.find(code);
    std::string text = it == State().messages.end() ? std::string() : it->second;
    if (text.size() + 1 > size) text.resize(size - 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return long(text.size());
}

void PutInt(char* reply, char item, int value) {
    reply[0] = item;
    reply[1] = 4;
    reply[2] = 0;
    std::memcpy(reply + 3, &value, 4);
    reply[7] = isc_info_end;
}
}  // namespace

extern "C" {
void fake_reset() { State() = FakeState(); }
void fake_set_sqlcode(long code) { State().sqlcode = code; }
void fake_set_sql_text(const char* text) { State().sqlText = text; }
void fake_set_message(long code, const char* text) { State().messages[code] = text; }
void fake_set_attach_status(const ISC_STATUS* vector, int count) {
    State().attachStatus.assign(vector, vector + count);
}
void fake_set_detach_status(const ISC_STATUS* vector, int count) {
    State().detachStatus.assign(vector, vector + count);
}
// Called from inside isc_sqlcode, so a test can look at the caller while a call runs.
void fake_set_describe_status(const ISC_STATUS* vector, int count) {
    State().describeStatus.assign(vector, vector + count);
}
void fake_set_probe(void (*probe)()) { State().probe = probe; }
void fake_set_dialect(int dialect) { State().dialect = dialect; }
int fake_attach_calls() { return State().attachCalls; }
int fake_info_calls() { return State().infoCalls; }
int fake_detach_calls() { return State().detachCalls; }
void fake_set_start_handle(int handle) { State().startHandle = handle; }

ISC_LONG ISC_EXPORT isc_sqlcode(const ISC_STATUS*) {
    if (State().probe) State().probe();
    return ISC_LONG(State().sqlcode);
}

void ISC_EXPORT isc_sql_interprete(short, ISC_SCHAR* buffer, short size) {
    std::string text = State().sqlText;
    if (int(text.size()) + 1 > size) text.resize(std::size_t(size - 1));
    std::memcpy(buffer, text.c_str(), text.size() + 1);
}

#ifndef FAKE_NO_FB_INTERPRET
ISC_LONG ISC_EXPORT fb_interpret(ISC_SCHAR* buffer, unsigned int size, const ISC_STATUS** vector) {
    return ISC_LONG(NextPiece(buffer, size, vector));
}
#endif

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
ISC_LONG ISC_EXPORT isc_interprete(ISC_SCHAR* buffer, ISC_STATUS** vector) {
    const ISC_STATUS* v = *vector;
    const long n = NextPiece(buffer, 1024, &v);
    *vector = const_cast<ISC_STATUS*>(v);
    return ISC_LONG(n);
}
#pragma GCC diagnostic pop

ISC_LONG ISC_EXPORT isc_vax_integer(const ISC_SCHAR* bytes, short length) {
    ISC_LONG value = 0;
    for (short i = 0; i < length; ++i) value |= ISC_LONG((unsigned char)bytes[i]) << (8 * i);
    if (length > 0 && length < 4 && (bytes[length - 1] & 0x80)) value -= ISC_LONG(1) << (8 * length);
    return value;
}

ISC_STATUS ISC_EXPORT isc_attach_database(ISC_STATUS* status, short, const ISC_SCHAR*, isc_db_handle* handle, short,
                                          const ISC_SCHAR*) {
    ++State().attachCalls;
    std::memset(status, 0, sizeof(ISC_STATUS) * ISC_STATUS_LENGTH);
    const auto& v = State().attachStatus;
    if (v.size() > 1 && v[1] != 0) {
        std::memcpy(status, v.data(), sizeof(ISC_STATUS) * std::min<std::size_t>(v.size(), ISC_STATUS_LENGTH));
        return status[1];
    }
    status[0] = 1;
    *handle = 1;
    return 0;
}

ISC_STATUS ISC_EXPORT isc_detach_database(ISC_STATUS* status, isc_db_handle* handle) {
    ++State().detachCalls;
    std::memset(status, 0, sizeof(ISC_STATUS) * ISC_STATUS_LENGTH);
    const auto& v = State().detachStatus;
    if (v.size() > 1 && v[1] != 0) {
        std::memcpy(status, v.data(), sizeof(ISC_STATUS) * std::min<std::size_t>(v.size(), ISC_STATUS_LENGTH));
        return status[1];
    }
    status[0] = 1;
    *handle = 0;
    return 0;
}

// Statements: every text is a SELECT; describing its parameters reports the status the test chose.
ISC_STATUS ISC_EXPORT isc_dsql_alloc_statement2(ISC_STATUS* status, isc_db_handle*, isc_stmt_handle* statement) {
    std::memset(status, 0, sizeof(ISC_STATUS) * ISC_STATUS_LENGTH);
    status[0] = 1;
    *statement = 7;
    return 0;
}

ISC_STATUS ISC_EXPORT isc_dsql_sql_info(ISC_STATUS* status, isc_stmt_handle*, short, const ISC_SCHAR* items, short,
                                        ISC_SCHAR* reply) {
    std::memset(status, 0, sizeof(ISC_STATUS) * ISC_STATUS_LENGTH);
    status[0] = 1;
    PutInt(reply, items[0], isc_info_sql_stmt_select);
    return 0;
}

ISC_STATUS ISC_EXPORT isc_dsql_describe_bind(ISC_STATUS* status, isc_stmt_handle*, unsigned short, XSQLDA* da) {
    std::memset(status, 0, sizeof(ISC_STATUS) * ISC_STATUS_LENGTH);
    const auto& v = State().describeStatus;
    if (v.size() > 1 && v[1] != 0) {
        std::memcpy(status, v.data(), sizeof(ISC_STATUS) * std::min<std::size_t>(v.size(), ISC_STATUS_LENGTH));
        return status[1];
    }
    status[0] = 1;
    da->sqld = 0;
    return 0;
}

ISC_STATUS ISC_EXPORT isc_database_info(ISC_STATUS* status, isc_db_handle*, short, const ISC_SCHAR* items, short,
                                        ISC_SCHAR* reply) {
    ++State().infoCalls;
    std::memset(status, 0, sizeof(ISC_STATUS) * ISC_STATUS_LENGTH);
    status[0] = 1;
    switch (items[0]) {
    case isc_info_db_sql_dialect: PutInt(reply, items[0], State().dialect); break;
    case isc_info_attachment_id: PutInt(reply, items[0], 4242); break;
    case frb_info_att_charset: PutInt(reply, items[0], 52); break;
    case isc_info_firebird_version: {
        const char text[] = "LI-V3.0.9.123 Fake";
        reply[0] = items[0];
        reply[1] = char(sizeof text + 1);
        reply[2] = 0;
        reply[3] = 1;
        reply[4] = char(sizeof text - 1);
        std::memcpy(reply + 5, text, sizeof text - 1);
        reply[5 + sizeof text - 1] = isc_info_end;
        break;
    }
    default: reply[0] = isc_info_end;
    }
    return 0;
}

#ifndef FAKE_NO_CLIENT_VERSION
void ISC_EXPORT isc_get_client_version(ISC_SCHAR* buffer) { std::strcpy(buffer, "LI-V7.2 Fake"); }
int ISC_EXPORT isc_get_client_major_version() { return 7; }
int ISC_EXPORT isc_get_client_minor_version() { return 2; }
#endif

ISC_STATUS ISC_EXPORT isc_start_multiple(ISC_STATUS* status, isc_tr_handle* handle, short, void*) {
    std::memset(status, 0, sizeof(ISC_STATUS) * ISC_STATUS_LENGTH);
    status[0] = 1;
    *handle = isc_tr_handle(State().startHandle);
    return 0;
}

ISC_STATUS ISC_EXPORT isc_commit_transaction(ISC_STATUS* status, isc_tr_handle* handle) {
    std::memset(status, 0, sizeof(ISC_STATUS) * ISC_STATUS_LENGTH);
    status[0] = 1;
    *handle = 0;
    return 0;
}

ISC_STATUS ISC_EXPORT isc_rollback_transaction(ISC_STATUS* status, isc_tr_handle* handle) {
    std::memset(status, 0, sizeof(ISC_STATUS) * ISC_STATUS_LENGTH);
    status[0] = 1;
    *handle = 0;
    return 0;
}
}
