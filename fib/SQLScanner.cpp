#include "fib/SQLScanner.h"

#include "core/TextCompare.h"
#include "fib/FIBErrors.h"

using namespace Qt::StringLiterals;

namespace {

inline char16_t At(QStringView s, qsizetype i) { return i >= 0 && i < s.size() ? s[i].unicode() : u'\0'; }

bool IsKeywordBefore(char16_t c) {
    return c == u'\t' || c == u'\n' || c == u'\r' || c == u' ' || c == u'"' || c == u')';
}

bool IsKeywordAfter(char16_t c) {
    switch (c) {
    case u'\0': case u'\t': case u'\n': case u'\r': case u' ': case u'"':
    case u'(': case u'-': case u'/': case u';': case u'^': return true;
    default: return false;
    }
}

bool IsNameChar(char16_t c) {
    return c == u'#' || c == u'$' || c == u'%' || c == u'.' || c == u'_' || (c >= u'0' && c <= u'9') ||
           (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// The keyword's letters at pos (capitals or small) followed by the end or a keyword delimiter.
bool LettersAt(QStringView s, qsizetype pos, QStringView kw) {
    if (pos < 0 || pos + kw.size() > s.size()) return false;
    for (qsizetype k = 0; k < kw.size(); ++k) {
        const char16_t c = s[pos + k].unicode(), w = kw[k].unicode();
        if (c != w && c != w + 32) return false;
    }
    const qsizetype after = pos + kw.size();
    return after == s.size() || IsKeywordAfter(s[after].unicode());
}

bool KeywordAt(QStringView s, qsizetype pos, QStringView kw) {
    return (pos == 0 || IsKeywordBefore(At(s, pos - 1))) && LettersAt(s, pos, kw);
}

// Skips what stands before the first keyword; withPunctuation also skips "(", ";", "^" and NUL.
qsizetype SkipBlanksAndComments(QStringView s, qsizetype i, bool withPunctuation) {
    const qsizetype n = s.size();
    while (i < n) {
        const char16_t c = s[i].unicode();
        if (c == u'\t' || c == u'\n' || c == u'\r' || c == u' ' ||
            (withPunctuation && (c == u'\0' || c == u'(' || c == u';' || c == u'^'))) {
            ++i;
        } else if (c == u'-' && At(s, i + 1) == u'-') {
            i += 2;
            while (i < n && s[i] != u'\r' && s[i] != u'\n') ++i;
        } else if (c == u'/' && At(s, i + 1) == u'*') {
            const qsizetype e = s.indexOf(u"*/"_s, i + 2);
            i = e < 0 ? n : e + 2;
        } else {
            break;
        }
    }
    return i;
}

// Length of the first keyword at pos when it is one of these, 0 otherwise.
qsizetype WordAt(QStringView s, qsizetype pos, QStringView kw) { return LettersAt(s, pos, kw) ? kw.size() : 0; }

}  // namespace

QString JoinSQLLines(const QStringList& lines) {
    QString s;
    for (const QString& l : lines) s += l + u"\r\n"_s;
    return s;
}

bool IsExecuteText(QStringView sql) {
    qsizetype i = 0;
    while (i < sql.size() && sql[i].unicode() <= 32) ++i;
    return sql.mid(i, 8).toString().toUpper() == u"EXECUTE "_s;
}

TSQLTextKind SQLTextKind(QStringView sql) {
    // The skip leaves us at a token start, so the first keyword needs no check of what precedes it.
    const qsizetype i = SkipBlanksAndComments(sql, 0, true);
    auto next = [&](qsizetype len, QStringView kw) {
        return WordAt(sql, SkipBlanksAndComments(sql, i + len, false), kw) > 0;
    };
    if (WordAt(sql, i, u"SELECT") || WordAt(sql, i, u"MERGE")) return TSQLTextKind::Select;
    if (WordAt(sql, i, u"UPDATE")) return next(6, u"OR") ? TSQLTextKind::UpdateOrInsert : TSQLTextKind::Update;
    if (WordAt(sql, i, u"DELETE")) return TSQLTextKind::Delete;
    if (WordAt(sql, i, u"INSERT")) return TSQLTextKind::Insert;
    if (WordAt(sql, i, u"EXECUTE")) {
        if (next(7, u"PROCEDURE")) return TSQLTextKind::ExecProcedure;
        if (next(7, u"BLOCK")) return TSQLTextKind::ExecBlock;
        return TSQLTextKind::Other;
    }
    for (QStringView kw : {u"ALTER", u"CREATE", u"COMMENT", u"DROP", u"DECLARE", u"GRANT", u"RECREATE", u"REVOKE"})
        if (WordAt(sql, i, kw)) return TSQLTextKind::Definition;
    if (WordAt(sql, i, u"SET") && next(3, u"GENERATOR")) return TSQLTextKind::Definition;
    return TSQLTextKind::Other;
}

bool SQLHasMarker(QStringView sql) {
    const qsizetype n = sql.size();
    qsizetype i = 1;
    while (i < n) {
        const char16_t c = sql[i].unicode();
        if (c == u'\'' || c == u'"') {
            const qsizetype e = sql.indexOf(QChar(c), i + 1);
            i = e < 0 ? n : e + 1;
        } else if (c == u'/' && At(sql, i + 1) == u'*') {
            const qsizetype e = sql.indexOf(u"*/"_s, i + 2);
            i = e < 0 ? n : e + 2;
        } else if (c == u'-' && At(sql, i + 1) == u'-') {
            // Ends at LF as well as CR, so a text with bare LF line ends is not taken for marker-free.
            i += 2;
            while (i < n && sql[i] != u'\r' && sql[i] != u'\n') ++i;
        } else if (c == u':' || c == u'?') {
            return true;
        } else {
            ++i;
        }
    }
    return false;
}

TSQLScan ScanSQL(QStringView s) {
    TSQLScan scan;
    scan.Kind = SQLTextKind(s);
    enum { Normal, Literal, LineComment, BlockComment } state = Normal;
    bool recognise = scan.Kind != TSQLTextKind::Definition;
    const bool trackWhere = scan.Kind != TSQLTextKind::ExecProcedure && scan.Kind != TSQLTextKind::ExecBlock;
    bool inWhere = false;
    int depth = 0;
    char16_t quote = 0;
    qsizetype stateStart = 0;
    const qsizetype n = s.size();

    auto lowerDepth = [&] {
        if (inWhere && --depth < 0) inWhere = false;
    };
    auto eligibleAfter = [&](qsizetype k) {
        while (k < n && (s[k] == u'\t' || s[k] == u'\n' || s[k] == u'\r' || s[k] == u' ')) ++k;
        if (k >= n) return true;
        const char16_t c = s[k].unicode();
        if (c == u'*' || c == u'+' || c == u'|') return false;
        if (c == u'-') return At(s, k + 1) == u'-';
        if (c == u'/') return At(s, k + 1) == u'*';
        return true;
    };

    qsizetype i = 0;
    while (i < n) {
        const char16_t c = s[i].unicode();
        switch (state) {
        case Literal:
            if (c == quote) {
                if (At(s, i + 1) == quote) { i += 2; continue; }
                state = Normal;
            }
            ++i;
            continue;
        case LineComment:
            if (c == u'\0' || c == u'\n' || c == u'\r') state = Normal;
            ++i;
            continue;
        case BlockComment:
            if (c == u'*' && At(s, i + 1) == u'/') { state = Normal; i += 2; continue; }
            ++i;
            continue;
        case Normal:
            break;
        }
        if (c == u'\'' || c == u'"') {
            state = Literal; quote = c; stateStart = i; ++i;
            continue;
        }
        if (c == u'-' && At(s, i + 1) == u'-') { state = LineComment; i += 2; continue; }
        if (c == u'/' && At(s, i + 1) == u'*') { state = BlockComment; stateStart = i; i += 2; continue; }
        if ((c == u':' || c == u'?') && recognise) {
            TSQLParamRef p;
            p.Start = i;
            const char16_t first = At(s, i + 1);
            if (first == u'"') {
                const qsizetype close = s.indexOf(u'"', i + 2);
                if (close < 0) {
                    scan.Error = TSQLScanError::EofInString;
                    scan.ErrorPos = i;
                    return scan;
                }
                p.Name = s.mid(i + 2, close - i - 2).toString();
                p.Quoted = true;
                p.End = close + 1;
            } else if (i + 1 < n && IsNameChar(first)) {
                qsizetype k = i + 1;
                while (k < n && IsNameChar(s[k].unicode())) ++k;
                p.Name = AsciiUpper(s.mid(i + 1, k - i - 1).toString());
                p.End = k;
            } else {
                scan.Error = TSQLScanError::ParamNameExpected;
                scan.ErrorPos = i;
                return scan;
            }
            p.Eligible = inWhere && eligibleAfter(p.End);
            scan.Params.append(p);
            i = p.End;
            if (!p.Quoted && i < n) {
                // The character that ended the name is taken over as it is.
                const char16_t after = s[i].unicode();
                if (after == u')') {
                    lowerDepth();
                } else if (after == u'-' && At(s, i + 1) == u'-') {
                    state = LineComment; i += 2; continue;
                } else if (after == u'/' && At(s, i + 1) == u'*') {
                    state = BlockComment; stateStart = i; i += 2; continue;
                }
                ++i;
            }
            continue;
        }
        // The header of an execute block ends at "AS"; colons of the body name the block's own variables.
        // "AS" must stand as a word, so a header name such as CLASS does not end it.
        if (recognise && scan.Kind == TSQLTextKind::ExecBlock && (c == u'A' || c == u'a') &&
            (At(s, i + 1) == u'S' || At(s, i + 1) == u's') && (i + 2 == n || IsKeywordAfter(At(s, i + 2))) &&
            (i == 0 || IsKeywordBefore(At(s, i - 1)))) {
            recognise = false;
            i += 2;
            continue;
        }
        if (trackWhere) {
            if (!inWhere) {
                if (i > 0 && (c == u'W' || c == u'w') && KeywordAt(s, i, u"WHERE")) {
                    inWhere = true; depth = 0; i += 5;
                    continue;
                }
            } else if (c == u'(') {
                ++depth;
            } else if (c == u')') {
                lowerDepth();
            } else {
                bool ended = false;
                for (QStringView kw : {u"FOR", u"GROUP", u"HAVING", u"ORDER", u"PLAN", u"START", u"UNION"}) {
                    if (KeywordAt(s, i, kw)) {
                        inWhere = false; ended = true; i += kw.size();
                        break;
                    }
                }
                if (ended) continue;
            }
        }
        ++i;
    }
    if (state == Literal) {
        scan.Error = TSQLScanError::EofInString;
        scan.ErrorPos = stateStart;
    } else if (state == BlockComment) {
        scan.Error = TSQLScanError::EofInComment;
        scan.ErrorPos = stateStart;
    }
    return scan;
}

QString SQLScanErrorText(TSQLScanError error) {
    switch (error) {
    case TSQLScanError::ParamNameExpected: return u"Parameter name expected"_s;
    case TSQLScanError::EofInString: return u"EOF in string detected"_s;
    case TSQLScanError::EofInComment: return u"EOF in comment detected"_s;
    case TSQLScanError::None: break;
    }
    return {};
}

std::optional<TSQLScan> ParseSQLParams(QStringView sql, const QString& fullName, bool ownerLoading) {
    TSQLScan scan = ScanSQL(sql);
    if (scan.Error == TSQLScanError::None) return scan;
    if (scan.Error == TSQLScanError::ParamNameExpected && ownerLoading) return std::nullopt;
    RaiseClientError(51, {fullName, SQLScanErrorText(scan.Error)});
}

QString ProcessedSQL(QStringView sql, const QList<TSQLParamRef>& params) {
    QString out = sql.toString();
    QChar* d = out.data();
    for (const TSQLParamRef& p : params) {
        if (p.Start < 0 || p.End > out.size() || p.Start >= p.End) continue;  // not from a scan of this text
        d[p.Start] = u'?';
        for (qsizetype k = p.Start + 1; k < p.End; ++k) d[k] = u' ';
    }
    return out;
}

namespace {

bool IsOperatorGap(char16_t c) {
    switch (c) {
    case u'\0': case u'\t': case u'\n': case u'\r': case u' ': case u'"':
    case u'(': case u'-': case u'/': case u';': case u'^': return true;
    default: return false;
    }
}

struct Replacement {
    qsizetype from = -1;
    bool notNull = false;
    qsizetype opEnd = -1;  // just past the operator
};

// Where the comparison ends: past the parameter and the ")" matching each "(" between the operator and
// the parameter (blanks between them included); -1 when they are not all there before ceiling.
qsizetype PastClosingBrackets(QStringView s, qsizetype opEnd, const TSQLParamRef& p, qsizetype ceiling) {
    int open = 0;
    for (qsizetype q = opEnd; q < p.Start; ++q)
        if (s[q] == u'(') ++open;
    qsizetype to = p.End;
    while (open > 0) {
        while (to < ceiling && (s[to] == u' ' || s[to] == u'\t' || s[to] == u'\r' || s[to] == u'\n')) ++to;
        if (to >= ceiling || s[to] != u')') return -1;
        ++to;
        --open;
    }
    return to;
}

// Where the comparison before the parameter starts, and its kind; from -1 when it is not = or <> and friends.
// floor is where the previous parameter ends: the search never reaches into it.
Replacement ComparisonBefore(QStringView s, const TSQLParamRef& p, qsizetype floor) {
    qsizetype q = p.Start - 1;
    while (q >= floor && IsOperatorGap(s[q].unicode())) --q;
    if (q < floor) return {};
    const char16_t op = s[q].unicode();
    // The character before the operator may end the previous parameter; it only takes part when it is outside it.
    const bool beforeOwn = q - 1 >= floor;
    const char16_t before = At(s, q - 1);
    if (op == u'=') {
        if (before == u'!' || before == u'^' || before == u'~') return beforeOwn ? Replacement{q - 1, true, q + 1} : Replacement{};
        if (before == u'<' || before == u'>') return {};
        return {q, false, q + 1};
    }
    if (op == u'>' && before == u'<' && beforeOwn) return {q - 1, true, q + 1};
    return {};
}

}  // namespace

TSQLNullRewrite RewriteNullParams(QStringView sql, const QList<TSQLParamRef>& params, const QList<bool>& isNull) {
    TSQLNullRewrite r;
    r.Text = ProcessedSQL(sql, params);
    QList<bool> rewritten(params.size(), false);
    // From the last parameter backwards, so that earlier positions stay valid.
    for (qsizetype k = params.size() - 1; k >= 0; --k) {
        const TSQLParamRef& p = params[k];
        if (!p.Eligible || k >= isNull.size() || !isNull[k]) continue;
        const qsizetype floor = k > 0 ? params[k - 1].End : 0;
        const Replacement rep = ComparisonBefore(sql, p, floor);
        if (rep.from < 0) continue;
        // Brackets opened between the operator and the parameter go with the comparison, and so do
        // their closing ones: "A = (:a)" becomes "A IS NULL ". Without all of them it stays as written.
        const qsizetype ceiling = k + 1 < params.size() ? params[k + 1].Start : sql.size();
        const qsizetype to = PastClosingBrackets(sql, rep.opEnd, p, ceiling);
        if (to < 0) continue;
        r.Text.replace(rep.from, to - rep.from, rep.notNull ? u" IS NOT NULL "_s : u" IS NULL "_s);
        rewritten[k] = true;
        r.Rewritten = true;
    }
    for (qsizetype k = 0; k < params.size(); ++k)
        if (!rewritten[k]) r.Kept.append(int(k));
    return r;
}

bool NullChangeNeedsReprocess(const QList<TSQLParamRef>& params, const QList<bool>& nullAtLastProcessing,
                              const QList<bool>& nullNow) {
    for (qsizetype k = 0; k < params.size(); ++k) {
        if (!params[k].Eligible) continue;
        const bool was = k < nullAtLastProcessing.size() && nullAtLastProcessing[k];
        const bool now = k < nullNow.size() && nullNow[k];
        if (was != now) return true;
    }
    return false;
}
