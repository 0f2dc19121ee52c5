#pragma once
#include <ibase.h>

// The entry points of the client library that the security service client calls, typed from
// their published prototypes.
struct TUIBClientApi {
    decltype(&::isc_service_attach) isc_service_attach = nullptr;
    decltype(&::isc_service_detach) isc_service_detach = nullptr;
    decltype(&::isc_service_start) isc_service_start = nullptr;
    decltype(&::isc_service_query) isc_service_query = nullptr;
    decltype(&::isc_sqlcode) isc_sqlcode = nullptr;
    decltype(&::isc_sql_interprete) isc_sql_interprete = nullptr;
    decltype(&::fb_interpret) fb_interpret = nullptr;
};
