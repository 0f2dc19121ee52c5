#pragma once
#include <ibase.h>

#include <array>
#include <cstddef>

// When an entry point of the client library must be exported.
enum class TEntryRule {
    Mandatory,
    Optional,
    IfRollbackRetaining,      // mandatory, bound only when isc_rollback_retaining is exported
    IfClientVersion,          // mandatory, bound only when isc_get_client_version is exported
    OptionalIfClientVersion,  // optional, looked up only when isc_get_client_version is exported
};

// Entry points without a prototype in the headers we build against; never called by this layer.
extern "C" {
using TUntypedEntry = void (*)();
// The old interpreter call, declared deprecated in the headers; the layer still binds it.
using TInterpreteFn = ISC_LONG (*)(ISC_SCHAR*, ISC_STATUS**);
}

// Every entry point bound at load, in binding order: name, function type, rule.
#define TV_CLIENT_ENTRY_POINTS(X)                                        \
    X(BLOB_get, decltype(&BLOB_get), Mandatory)                          \
    X(BLOB_put, decltype(&BLOB_put), Mandatory)                          \
    X(isc_sqlcode, decltype(&isc_sqlcode), Mandatory)                    \
    X(isc_sql_interprete, decltype(&isc_sql_interprete), Mandatory)      \
    X(isc_interprete, TInterpreteFn, Mandatory)                          \
    X(fb_interpret, decltype(&fb_interpret), Optional)                   \
    X(isc_vax_integer, decltype(&isc_vax_integer), Mandatory)            \
    X(isc_blob_info, decltype(&isc_blob_info), Mandatory)                \
    X(isc_open_blob2, decltype(&isc_open_blob2), Mandatory)              \
    X(isc_close_blob, decltype(&isc_close_blob), Mandatory)              \
    X(isc_get_segment, decltype(&isc_get_segment), Mandatory)            \
    X(isc_put_segment, decltype(&isc_put_segment), Mandatory)            \
    X(isc_create_blob2, decltype(&isc_create_blob2), Mandatory)          \
    X(isc_decode_date, decltype(&isc_decode_date), Mandatory)            \
    X(isc_encode_date, decltype(&isc_encode_date), Mandatory)            \
    X(isc_dsql_free_statement, decltype(&isc_dsql_free_statement), Mandatory) \
    X(isc_dsql_execute2, decltype(&isc_dsql_execute2), Mandatory)        \
    X(isc_dsql_execute, decltype(&isc_dsql_execute), Mandatory)          \
    X(isc_dsql_set_cursor_name, decltype(&isc_dsql_set_cursor_name), Mandatory) \
    X(isc_dsql_fetch, decltype(&isc_dsql_fetch), Mandatory)              \
    X(isc_dsql_sql_info, decltype(&isc_dsql_sql_info), Mandatory)        \
    X(isc_dsql_alloc_statement2, decltype(&isc_dsql_alloc_statement2), Mandatory) \
    X(isc_dsql_prepare, decltype(&isc_dsql_prepare), Mandatory)          \
    X(isc_dsql_describe_bind, decltype(&isc_dsql_describe_bind), Mandatory) \
    X(isc_dsql_describe, decltype(&isc_dsql_describe), Mandatory)        \
    X(isc_dsql_execute_immediate, decltype(&isc_dsql_execute_immediate), Mandatory) \
    X(isc_dsql_exec_immed2, decltype(&isc_dsql_exec_immed2), Mandatory)  \
    X(isc_drop_database, decltype(&isc_drop_database), Mandatory)        \
    X(isc_detach_database, decltype(&isc_detach_database), Mandatory)    \
    X(isc_attach_database, decltype(&isc_attach_database), Mandatory)    \
    X(isc_database_info, decltype(&isc_database_info), Mandatory)        \
    X(isc_start_multiple, decltype(&isc_start_multiple), Mandatory)      \
    X(isc_commit_transaction, decltype(&isc_commit_transaction), Mandatory) \
    X(isc_commit_retaining, decltype(&isc_commit_retaining), Mandatory)  \
    X(isc_rollback_transaction, decltype(&isc_rollback_transaction), Mandatory) \
    X(isc_cancel_events, decltype(&isc_cancel_events), Mandatory)        \
    X(isc_que_events, decltype(&isc_que_events), Mandatory)              \
    X(isc_event_counts, decltype(&isc_event_counts), Mandatory)          \
    X(isc_event_block, decltype(&isc_event_block), Mandatory)            \
    X(isc_free, decltype(&isc_free), Mandatory)                          \
    X(isc_array_lookup_bounds, decltype(&isc_array_lookup_bounds), Mandatory) \
    X(isc_array_get_slice, decltype(&isc_array_get_slice), Mandatory)    \
    X(isc_array_put_slice, decltype(&isc_array_put_slice), Mandatory)    \
    X(isc_wait_for_event, decltype(&isc_wait_for_event), Mandatory)      \
    X(isc_transaction_info, decltype(&isc_transaction_info), Mandatory)  \
    X(isc_prepare_transaction, decltype(&isc_prepare_transaction), Mandatory) \
    X(isc_prepare_transaction2, decltype(&isc_prepare_transaction2), Mandatory) \
    X(isc_rollback_retaining, decltype(&isc_rollback_retaining), Optional) \
    X(isc_service_attach, decltype(&isc_service_attach), IfRollbackRetaining) \
    X(isc_service_detach, decltype(&isc_service_detach), IfRollbackRetaining) \
    X(isc_service_query, decltype(&isc_service_query), IfRollbackRetaining) \
    X(isc_service_start, decltype(&isc_service_start), IfRollbackRetaining) \
    X(isc_decode_sql_date, decltype(&isc_decode_sql_date), IfRollbackRetaining) \
    X(isc_decode_sql_time, decltype(&isc_decode_sql_time), IfRollbackRetaining) \
    X(isc_decode_timestamp, decltype(&isc_decode_timestamp), IfRollbackRetaining) \
    X(isc_encode_sql_date, decltype(&isc_encode_sql_date), IfRollbackRetaining) \
    X(isc_encode_sql_time, decltype(&isc_encode_sql_time), IfRollbackRetaining) \
    X(isc_encode_timestamp, decltype(&isc_encode_timestamp), IfRollbackRetaining) \
    X(isc_portable_integer, decltype(&isc_portable_integer), IfRollbackRetaining) \
    X(isc_get_client_version, decltype(&isc_get_client_version), Optional) \
    X(isc_get_client_major_version, decltype(&isc_get_client_major_version), IfClientVersion) \
    X(isc_get_client_minor_version, decltype(&isc_get_client_minor_version), IfClientVersion) \
    X(isc_dsql_batch_execute_immed, TUntypedEntry, OptionalIfClientVersion) \
    X(isc_dsql_batch_execute, TUntypedEntry, OptionalIfClientVersion)    \
    X(fb_cancel_operation, decltype(&fb_cancel_operation), OptionalIfClientVersion)

// Slot numbers of the entry point table.
enum class EP : int {
#define TV_EP_ENUM(name, type, rule) name,
    TV_CLIENT_ENTRY_POINTS(TV_EP_ENUM)
#undef TV_EP_ENUM
    Count
};

inline constexpr std::size_t kEntryPointCount = std::size_t(EP::Count);

// The function type of each slot.
template <EP>
struct TEntryType;
#define TV_EP_TYPE(name, type, rule) \
    template <>                      \
    struct TEntryType<EP::name> {    \
        using Type = type;           \
    };
TV_CLIENT_ENTRY_POINTS(TV_EP_TYPE)
#undef TV_EP_TYPE

struct TEntryPointSpec {
    const char* name;
    EP slot;
    TEntryRule rule;
};

// The one constant list that fills the table, in binding order.
inline constexpr std::array<TEntryPointSpec, kEntryPointCount> kEntryPoints = {{
#define TV_EP_SPEC(name, type, rule) {#name, EP::name, TEntryRule::rule},
    TV_CLIENT_ENTRY_POINTS(TV_EP_SPEC)
#undef TV_EP_SPEC
}};

// The table of function pointers of one loaded library; an empty slot is null.
using TEntryPointTable = std::array<void*, kEntryPointCount>;
