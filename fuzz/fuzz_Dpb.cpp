// Feeds arbitrary parameter lines to the DPB builder: it may refuse them with the layer's exceptions,
// but every buffer it returns must hold exactly the clusters its length bytes announce.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/Exception.h"
#include "core/Win1251.h"
#include "fib/DpbBuilder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const bool isFirebird = data[0] & 1;
    QStringList lines = FromWin1251(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1))
                            .split(QLatin1Char('\n'));
    QByteArray dpb;
    try {
        dpb = BuildDPB(lines, isFirebird);
    } catch (const Exception&) {
        return 0;
    }
    if (dpb.isEmpty() || dpb[0] != 1 || dpb.size() > 0xFFFF) std::abort();
    qsizetype i = 1;
    while (i < dpb.size()) {
        if (i + 1 >= dpb.size()) std::abort();
        i += 2 + quint8(dpb[i + 1]);
    }
    if (i != dpb.size()) std::abort();
    for (const QString& line : lines)
        if (!line.isEmpty() && (line.front().unicode() <= 32 || line.back().unicode() <= 32)) std::abort();
    return 0;
}
