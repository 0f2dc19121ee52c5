#include "fib/TPB.h"

#include <ibase.h>

#include <array>

#include "core/Exception.h"
#include "core/Format.h"
#include "core/TextCompare.h"
#include "core/Win1251.h"
#include "fib/FIBErrors.h"

using namespace Qt::StringLiterals;

namespace {

struct TPBWord {
    const char16_t* word;
    char code;
    bool refused;
    bool takesValue;
};

constexpr std::array<TPBWord, 21> kWords = {{
    {u"consistency", isc_tpb_consistency, false, false},
    {u"concurrency", isc_tpb_concurrency, false, false},
    {u"shared", isc_tpb_shared, false, false},
    {u"protected", isc_tpb_protected, false, false},
    {u"exclusive", isc_tpb_exclusive, false, false},
    {u"wait", isc_tpb_wait, false, false},
    {u"nowait", isc_tpb_nowait, false, false},
    {u"read", isc_tpb_read, false, false},
    {u"write", isc_tpb_write, false, false},
    {u"lock_read", isc_tpb_lock_read, false, true},
    {u"lock_write", isc_tpb_lock_write, false, true},
    {u"verb_time", isc_tpb_verb_time, true, false},
    {u"commit_time", isc_tpb_commit_time, true, false},
    {u"ignore_limbo", isc_tpb_ignore_limbo, false, false},
    {u"read_committed", isc_tpb_read_committed, false, false},
    {u"autocommit", isc_tpb_autocommit, true, false},
    {u"rec_version", isc_tpb_rec_version, false, false},
    {u"no_rec_version", isc_tpb_no_rec_version, false, false},
    {u"restart_requests", isc_tpb_restart_requests, true, false},
    {u"no_auto_undo", isc_tpb_no_auto_undo, false, false},
    {u"no_savepoint", 21, false, false},
}};

const TPBWord* FindWord(const QString& word) {
    for (const TPBWord& w : kWords)
        if (word == QStringView(w.word)) return &w;
    return nullptr;
}

QString TrimControls(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 32) ++b;
    while (e > b && s[e - 1].unicode() <= 32) --e;
    return s.mid(b, e - b);
}

}  // namespace

std::optional<QStringList> TPBModeParams(TTPBMode mode) {
    switch (mode) {
    case tpbReadCommitted: return QStringList{u"write"_s, u"isc_tpb_nowait"_s, u"read_committed"_s, u"rec_version"_s};
    case tpbRepeatableRead: return QStringList{u"write"_s, u"isc_tpb_nowait"_s, u"concurrency"_s};
    case tpbDefault: break;
    }
    return std::nullopt;
}

QByteArray BuildTPB(QStringList& params) {
    QByteArray tpb;
    if (params.isEmpty()) return tpb;
    tpb.append(char(isc_tpb_version3));
    for (QString& line : params) {
        line = TrimControls(line);
        if (line.isEmpty()) continue;
        const qsizetype eq = line.indexOf(u'=');
        const QString written = eq < 0 ? line : line.left(eq);
        const QString value = eq < 0 ? QString() : line.mid(eq + 1);
        QString word = AsciiLower(written);
        if (word.startsWith(u"isc_tpb_"_s)) word = word.mid(8);
        const TPBWord* w = FindWord(word);
        if (!w) RaiseClientError(11, {written});
        if (w->refused) RaiseClientError(10, {QString::fromUtf16(w->word)});
        tpb.append(w->code);
        if (w->takesValue) {
            const QByteArray bytes = ToWin1251(value);
            // The length travels in one byte; a longer value would corrupt the buffer.
            if (bytes.size() > 255)
                throw EFIBClientError(-1, FormatMessage(u"Значение параметра TPB (%s) длиннее 255 байт."_s, {written}), 0);
            tpb.append(char(bytes.size()));
            tpb.append(bytes);
        }
    }
    if (tpb.size() > 0xFFFF) throw EFIBClientError(-1, u"Буфер параметров TPB длиннее 65535 байт."_s, 0);
    return tpb;
}
