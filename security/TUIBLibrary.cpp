#include "security/TUIBLibrary.h"

#include <QFile>
#include <QStringDecoder>
#include <dlfcn.h>

#include "core/Exception.h"
#include "core/Format.h"
#include "core/Win1251.h"
#include "security/UIBErrors.h"

using namespace Qt::StringLiterals;

namespace {

template <auto Member>
void Slot(TUIBClientApi& api, void* address) {
    api.*Member = reinterpret_cast<std::remove_reference_t<decltype(api.*Member)>>(address);
}

// isc_event_block_a is declared for every platform but exported by the Windows client only, so it
// is required there alone.
#ifdef _WIN32
constexpr bool kEventBlockARequired = true;
#else
constexpr bool kEventBlockARequired = false;
#endif

constexpr TUIBEntryPoint kEntryPoints[] = {
    {"BLOB_close", true, nullptr},
    {"BLOB_display", true, nullptr},
    {"BLOB_dump", true, nullptr},
    {"BLOB_edit", true, nullptr},
    {"BLOB_get", true, nullptr},
    {"BLOB_load", true, nullptr},
    {"BLOB_open", true, nullptr},
    {"BLOB_put", true, nullptr},
    {"BLOB_text_dump", true, nullptr},
    {"BLOB_text_load", true, nullptr},
    {"Bopen", true, nullptr},
    {"isc_add_user", true, nullptr},
    {"isc_array_gen_sdl", true, nullptr},
    {"isc_array_get_slice", true, nullptr},
    {"isc_array_lookup_bounds", true, nullptr},
    {"isc_array_lookup_desc", true, nullptr},
    {"isc_array_put_slice", true, nullptr},
    {"isc_array_set_desc", true, nullptr},
    {"isc_attach_database", true, nullptr},
    {"isc_blob_default_desc", true, nullptr},
    {"isc_blob_gen_bpb", true, nullptr},
    {"isc_blob_info", true, nullptr},
    {"isc_blob_lookup_desc", true, nullptr},
    {"isc_blob_set_desc", true, nullptr},
    {"isc_cancel_blob", true, nullptr},
    {"isc_cancel_events", true, nullptr},
    {"isc_close", true, nullptr},
    {"isc_close_blob", true, nullptr},
    {"isc_commit_retaining", true, nullptr},
    {"isc_commit_transaction", true, nullptr},
    {"isc_compile_request", true, nullptr},
    {"isc_compile_request2", true, nullptr},
    {"isc_create_blob", true, nullptr},
    {"isc_create_blob2", true, nullptr},
    {"isc_create_database", true, nullptr},
    {"isc_database_info", true, nullptr},
    {"isc_ddl", true, nullptr},
    {"isc_declare", true, nullptr},
    {"isc_decode_date", true, nullptr},
    {"isc_decode_sql_date", true, nullptr},
    {"isc_decode_sql_time", true, nullptr},
    {"isc_decode_timestamp", true, nullptr},
    {"isc_delete_user", true, nullptr},
    {"isc_describe", true, nullptr},
    {"isc_describe_bind", true, nullptr},
    {"isc_detach_database", true, nullptr},
    {"isc_drop_database", true, nullptr},
    {"isc_dsql_alloc_statement2", true, nullptr},
    {"isc_dsql_allocate_statement", true, nullptr},
    {"isc_dsql_describe", true, nullptr},
    {"isc_dsql_describe_bind", true, nullptr},
    {"isc_dsql_exec_immed2", true, nullptr},
    {"isc_dsql_exec_immed3_m", true, nullptr},
    {"isc_dsql_execute", true, nullptr},
    {"isc_dsql_execute_immediate", true, nullptr},
    {"isc_dsql_execute_immediate_m", true, nullptr},
    {"isc_dsql_execute_m", true, nullptr},
    {"isc_dsql_execute2", true, nullptr},
    {"isc_dsql_execute2_m", true, nullptr},
    {"isc_dsql_fetch", true, nullptr},
    {"isc_dsql_fetch_m", true, nullptr},
    {"isc_dsql_finish", true, nullptr},
    {"isc_dsql_free_statement", true, nullptr},
    {"isc_dsql_insert", true, nullptr},
    {"isc_dsql_insert_m", true, nullptr},
    {"isc_dsql_prepare", true, nullptr},
    {"isc_dsql_prepare_m", true, nullptr},
    {"isc_dsql_release", true, nullptr},
    {"isc_dsql_set_cursor_name", true, nullptr},
    {"isc_dsql_sql_info", true, nullptr},
    {"isc_embed_dsql_close", true, nullptr},
    {"isc_embed_dsql_declare", true, nullptr},
    {"isc_embed_dsql_describe", true, nullptr},
    {"isc_embed_dsql_describe_bind", true, nullptr},
    {"isc_embed_dsql_execute", true, nullptr},
    {"isc_embed_dsql_execute_immed", true, nullptr},
    {"isc_embed_dsql_execute2", true, nullptr},
    {"isc_embed_dsql_fetch", true, nullptr},
    {"isc_embed_dsql_insert", true, nullptr},
    {"isc_embed_dsql_open", true, nullptr},
    {"isc_embed_dsql_open2", true, nullptr},
    {"isc_embed_dsql_prepare", true, nullptr},
    {"isc_embed_dsql_release", true, nullptr},
    {"isc_encode_date", true, nullptr},
    {"isc_encode_sql_date", true, nullptr},
    {"isc_encode_sql_time", true, nullptr},
    {"isc_encode_timestamp", true, nullptr},
    {"isc_event_block", true, nullptr},
    {"isc_event_block_a", kEventBlockARequired, nullptr},
    {"isc_event_counts", true, nullptr},
    {"isc_execute", true, nullptr},
    {"isc_execute_immediate", true, nullptr},
    {"isc_expand_dpb", true, nullptr},
    {"isc_fetch", true, nullptr},
    {"isc_free", true, nullptr},
    {"isc_ftof", true, nullptr},
    {"isc_get_segment", true, nullptr},
    {"isc_get_slice", true, nullptr},
    {"isc_interprete", true, nullptr},
    {"isc_modify_dpb", true, nullptr},
    {"isc_modify_user", true, nullptr},
    {"isc_open", true, nullptr},
    {"isc_open_blob", true, nullptr},
    {"isc_open_blob2", true, nullptr},
    {"isc_portable_integer", true, nullptr},
    {"isc_prepare", true, nullptr},
    {"isc_prepare_transaction", true, nullptr},
    {"isc_prepare_transaction2", true, nullptr},
    {"isc_print_blr", true, nullptr},
    {"isc_print_sqlerror", true, nullptr},
    {"isc_print_status", true, nullptr},
    {"isc_put_segment", true, nullptr},
    {"isc_put_slice", true, nullptr},
    {"isc_qtoq", true, nullptr},
    {"isc_que_events", true, nullptr},
    {"isc_receive", true, nullptr},
    {"isc_reconnect_transaction", true, nullptr},
    {"isc_release_request", true, nullptr},
    {"isc_request_info", true, nullptr},
    {"isc_rollback_retaining", true, nullptr},
    {"isc_rollback_transaction", true, nullptr},
    {"isc_seek_blob", true, nullptr},
    {"isc_send", true, nullptr},
    {"isc_service_attach", true, Slot<&TUIBClientApi::isc_service_attach>},
    {"isc_service_detach", true, Slot<&TUIBClientApi::isc_service_detach>},
    {"isc_service_query", true, Slot<&TUIBClientApi::isc_service_query>},
    {"isc_service_start", true, Slot<&TUIBClientApi::isc_service_start>},
    {"isc_set_debug", true, nullptr},
    {"isc_sql_interprete", true, Slot<&TUIBClientApi::isc_sql_interprete>},
    {"isc_sqlcode", true, Slot<&TUIBClientApi::isc_sqlcode>},
    {"isc_start_and_send", true, nullptr},
    {"isc_start_multiple", true, nullptr},
    {"isc_start_request", true, nullptr},
    {"isc_start_transaction", true, nullptr},
    {"isc_transact_request", true, nullptr},
    {"isc_transaction_info", true, nullptr},
    {"isc_unwind_request", true, nullptr},
    {"isc_vax_integer", true, nullptr},
    {"isc_version", true, nullptr},
    {"isc_vtof", true, nullptr},
    {"isc_vtov", true, nullptr},
    {"isc_wait_for_event", true, nullptr},
    {"isc_reset_fpe", true, nullptr},
    {"isc_get_client_version", true, nullptr},
    {"isc_get_client_major_version", true, nullptr},
    {"isc_get_client_minor_version", true, nullptr},
    {"fb_interpret", true, Slot<&TUIBClientApi::fb_interpret>},
};
static_assert(std::size(kEntryPoints) == 147);

constexpr int kReplySize = 32000;
constexpr unsigned kInterpretSize = 513;
constexpr short kSqlTextSize = 255;

// Status texts are what the server sent: UTF-8 when they are valid UTF-8, otherwise the code page.
QString StatusText(const char* text) {
    const QByteArray bytes(text);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString decoded = utf8.decode(bytes);
    return utf8.hasError() ? FromWin1251(bytes) : decoded;
}

}  // namespace

std::span<const TUIBEntryPoint> TUIBLibrary::EntryPoints() { return kEntryPoints; }

QString TUIBLibrary::FirstMissingEntryPoint(const std::function<void*(const char*)>& lookup) {
    for (const TUIBEntryPoint& entry : kEntryPoints)
        if (entry.Required && !lookup(entry.Name)) return QString::fromLatin1(entry.Name);
    return {};
}

std::unique_ptr<TUIBLibrary> TUIBLibrary::Load(const QString& fileName) {
    // An empty name would hand back the program itself.
    void* module = fileName.isEmpty() ? nullptr : dlopen(QFile::encodeName(fileName).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!module) throw Exception(FormatMessage(u"Can't load library: %s."_s, {fileName}));
    auto lookup = [module](const char* name) { return dlsym(module, name); };
    if (!FirstMissingEntryPoint(lookup).isEmpty()) {
        dlclose(module);
        throw Exception(u"Incorrect Database Server version, check compiler options."_s);
    }
    TUIBClientApi api;
    for (const TUIBEntryPoint& entry : kEntryPoints)
        if (entry.Bind) entry.Bind(api, lookup(entry.Name));
    return std::unique_ptr<TUIBLibrary>(new TUIBLibrary(module, api));
}

TUIBLibrary::TUIBLibrary(const TUIBClientApi& api) : m_api(api) {}

TUIBLibrary::TUIBLibrary(void* module, const TUIBClientApi& api) : m_module(module), m_api(api) {}

TUIBLibrary::~TUIBLibrary() noexcept {
    if (m_module) dlclose(m_module);
}

void TUIBLibrary::ServiceAttach(const QByteArray& serviceName, isc_svc_handle* handle, const QByteArray& spb) {
    CheckStatus(m_api.isc_service_attach(m_status, static_cast<unsigned short>(serviceName.size()),
                                         serviceName.constData(), handle, static_cast<unsigned short>(spb.size()),
                                         spb.constData()));
}

void TUIBLibrary::ServiceDetach(isc_svc_handle* handle) { CheckStatus(m_api.isc_service_detach(m_status, handle)); }

void TUIBLibrary::ServiceStart(isc_svc_handle* handle, const QByteArray& block) {
    CheckStatus(m_api.isc_service_start(m_status, handle, nullptr, static_cast<unsigned short>(block.size()),
                                        block.constData()));
}

void TUIBLibrary::ServiceQuery(isc_svc_handle* handle, const QByteArray& request, QByteArray& reply) {
    reply = QByteArray(kReplySize, '\0');
    CheckStatus(m_api.isc_service_query(m_status, handle, nullptr, 0, nullptr,
                                        static_cast<unsigned short>(request.size()), request.constData(),
                                        static_cast<unsigned short>(reply.size()), reply.data()));
}

void TUIBLibrary::CheckStatus(ISC_STATUS code) {
    const auto gdsCode = static_cast<qint32>(code);
    if (gdsCode == 0 || (quint32(gdsCode) & 0xC0000000u) != 0) return;
    QStringList lines;
    char buffer[kInterpretSize];
    const ISC_STATUS* vector = m_status;
    while (m_api.fb_interpret(buffer, kInterpretSize, &vector) > 0) lines << StatusText(buffer);
    const int sqlCode = int(m_api.isc_sqlcode(m_status));
    QString sqlText;
    if (sqlCode != 0) {
        char text[kSqlTextSize + 1] = {};
        m_api.isc_sql_interprete(static_cast<short>(sqlCode), text, kSqlTextSize);
        text[kSqlTextSize] = '\0';
        sqlText = StatusText(text);
    }
    const int number = (m_status[1] == kUIBExceptionCode && m_status[2] == isc_arg_number) ? int(m_status[3]) : 0;
    RaiseUIBError(ComposeUIBErrorMessage(lines, sqlCode, sqlText, gdsCode), gdsCode, sqlCode, number);
}
