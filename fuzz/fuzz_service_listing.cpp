// Any bytes as the reply of a user listing: the parser must stop with its own error, never read
// outside the reply, and keep only complete records.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/Exception.h"
#include "security/ServiceBlocks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<TUserInfo> accounts(1);
    try {
        ParseUserListing(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size), accounts);
    } catch (const Exception&) {
    }
    // Every record takes at least 19 bytes of the reply (six items with their lengths).
    if (accounts.size() > 1 && accounts.size() * 19 > size) std::abort();
    return 0;
}
