// Feeds arbitrary text to the SQL parameter scanner and checks what it hands the statement.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/TextCompare.h"
#include "core/Win1251.h"
#include "fib/FIBErrors.h"
#include "fib/SQLScanner.h"

using namespace Qt::StringLiterals;

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // The first byte chooses which parameters are NULL; the rest is the text, one character per byte.
    const uint8_t nullBits = data[0];
    const QString sql = FromWin1251(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    (void)SQLHasMarker(sql);
    const TSQLScan scan = ScanSQL(sql);
    Check(scan.Kind == SQLTextKind(sql));
    if (scan.Kind == TSQLTextKind::Definition) Check(scan.Params.isEmpty());

    qsizetype previousEnd = 0;
    for (const TSQLParamRef& p : scan.Params) {
        Check(p.Start >= previousEnd && p.Start < p.End && p.End <= sql.size());
        Check(sql[p.Start] == u':' || sql[p.Start] == u'?');
        if (p.Quoted) {
            Check(sql[p.Start + 1] == u'"' && sql[p.End - 1] == u'"');
            Check(p.Name == sql.mid(p.Start + 2, p.End - p.Start - 3));
        } else {
            Check(p.Name == AsciiUpper(sql.mid(p.Start + 1, p.End - p.Start - 1)));
            Check(!p.Name.isEmpty());
        }
        previousEnd = p.End;
    }

    if (scan.Error != TSQLScanError::None) {
        Check(scan.ErrorPos >= 0 && scan.ErrorPos < sql.size());
        try {
            (void)ParseSQLParams(sql, u"F.q"_s, false);
            Check(false);
        } catch (const EFIBClientError& e) {
            Check(e.SQLCode() == 51 && e.Message().endsWith(SQLScanErrorText(scan.Error)));
        }
        // While loading only a missing name is forgiven.
        if (scan.Error == TSQLScanError::ParamNameExpected) Check(!ParseSQLParams(sql, u"F.q"_s, true).has_value());
        return 0;
    }

    const QString processed = ProcessedSQL(sql, scan.Params);
    Check(processed.size() == sql.size());
    qsizetype next = 0;
    for (const TSQLParamRef& p : scan.Params) {
        for (qsizetype k = next; k < p.Start; ++k) Check(processed[k] == sql[k]);
        Check(processed[p.Start] == u'?');
        for (qsizetype k = p.Start + 1; k < p.End; ++k) Check(processed[k] == u' ');
        next = p.End;
    }
    for (qsizetype k = next; k < sql.size(); ++k) Check(processed[k] == sql[k]);

    QList<bool> nulls;
    for (qsizetype i = 0; i < scan.Params.size(); ++i) nulls.append(((nullBits >> (i % 8)) & 1) != 0);
    const TSQLNullRewrite r = RewriteNullParams(sql, scan.Params, nulls);
    int last = -1;
    for (int k : r.Kept) {
        Check(k > last && k < scan.Params.size());
        last = k;
    }
    for (qsizetype i = 0; i < scan.Params.size(); ++i)
        if (!scan.Params[i].Eligible || !nulls[i]) Check(r.Kept.contains(int(i)));
    Check(r.Rewritten == (r.Kept.size() != scan.Params.size()));
    if (!r.Rewritten) Check(r.Text == processed);
    const QList<bool> none(scan.Params.size(), false);
    Check(RewriteNullParams(sql, scan.Params, none).Text == processed);
    Check(!NullChangeNeedsReprocess(scan.Params, nulls, nulls));
    return 0;
}
