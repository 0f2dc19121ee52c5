// Any bytes as the replies of a user listing: the parser must stop with its own error, never read
// outside a reply, and keep only complete records. The input is read as one reply, and again as a
// series of replies, each given by a two-byte length and its bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "core/Exception.h"
#include "security/ServiceBlocks.h"

namespace {

// Every record takes at least 19 bytes of the replies (six items with their lengths).
void CheckRecords(const std::vector<TUserInfo>& accounts, size_t size) {
    if (accounts.size() > 1 && accounts.size() * 19 > size) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<TUserInfo> accounts(1);
    try {
        // A copy of exactly the input, so that a read beyond it is caught.
        std::unique_ptr<char[]> reply(new char[size ? size : 1]);
        if (size) memcpy(reply.get(), data, size);
        ParseUserListing(reply.get(), static_cast<qsizetype>(size), accounts);
    } catch (const Exception&) {
    }
    CheckRecords(accounts, size);

    size_t pos = 0;
    accounts.assign(1, TUserInfo());
    try {
        ReadUserListing(
            [&] {
                if (pos + 2 > size) return QByteArray();
                size_t length = size_t(data[pos]) | (size_t(data[pos + 1]) << 8);
                pos += 2;
                if (length > size - pos) length = size - pos;
                QByteArray part(reinterpret_cast<const char*>(data + pos), qsizetype(length));
                pos += length;
                return part;
            },
            accounts);
    } catch (const Exception&) {
    }
    CheckRecords(accounts, size);
    return 0;
}
