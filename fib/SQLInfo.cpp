#include "fib/SQLInfo.h"

#include <ibase.h>

std::optional<int> ParseStatementType(const QByteArray& reply) {
    const auto byte = [&](qsizetype i) { return int(static_cast<unsigned char>(reply[i])); };
    qsizetype i = 0;
    while (i < reply.size()) {
        const int item = byte(i);
        if (item == isc_info_end || item == isc_info_truncated || item == isc_info_error) break;
        if (i + 3 > reply.size()) break;
        const int len = byte(i + 1) | (byte(i + 2) << 8);
        i += 3;
        if (i + len > reply.size()) break;
        if (item == isc_info_sql_stmt_type) {
            // A little-endian integer of len bytes, as isc_vax_integer reads it.
            if (len < 1 || len > 4) return std::nullopt;
            unsigned value = 0;
            for (int k = 0; k < len; ++k) value |= unsigned(byte(i + k)) << (8 * k);
            return int(value);
        }
        i += len;
    }
    return std::nullopt;
}
