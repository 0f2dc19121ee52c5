#include "fib/ErrorClassification.h"

#include "core/TextCompare.h"

using namespace Qt::StringLiterals;

namespace {
constexpr int kNoDup = 335544349;
constexpr int kUniqueKeyViolation = 335544665;
constexpr int kForeignKey = 335544466;
constexpr int kShutdown = 335544528;

bool IsLineSpace(QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

QString TrimLineSpace(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && IsLineSpace(s[b])) ++b;
    while (e > b && IsLineSpace(s[e - 1])) --e;
    return s.mid(b, e - b);
}

// Decimal integer of the whole text as the platform converts it: optional blanks, sign, digits.
bool ReadDecimal(const QString& text, int& value) {
    bool ok = false;
    int v = text.trimmed().toInt(&ok, 10);
    if (ok) value = v;
    return ok;
}
}  // namespace

bool IsLostConnectionCode(int gdsCode) {
    switch (gdsCode) {
        case kShutdown:
        case 335544721:  // network error
        case 335544723:
        case 335544724:
        case 335544725:
        case 335544726:  // read error
        case 335544727:  // write error
        case 335544741:  // lost connection
        case 335544856:  // connection shut down (how this server reports a database shutdown)
            return true;
        default:
            return false;
    }
}

TKindIBError ClassifyKind(int sqlCode, int gdsCode, const std::vector<int>& laterCodes) {
    switch (sqlCode) {
        case -836:
            return keException;
        case -803:
            return (gdsCode == kNoDup || gdsCode == kUniqueKeyViolation) ? keUniqueViolation : keOther;
        case -551:
            return keSecurity;
        case -530:
            return gdsCode == kForeignKey ? keForeignKey : keOther;
        case -297:
            return keCheck;
        default:
            if (IsLostConnectionCode(gdsCode)) return keLostConnect;
            for (int code : laterCodes)
                if (IsLostConnectionCode(code)) return keLostConnect;
            return keOther;
    }
}

QString CutUserExceptionMessage(const QString& message, const TErrorLexems& lexems, bool withName,
                                TUserExceptionInfo& info) {
    QString msg = message;
    const QString word = AsciiLower(lexems.Exception).toLower();
    for (int round = 0; round < 2; ++round) {
        qsizetype p = msg.toLower().indexOf(word);
        if (p >= 0 && !word.isEmpty()) msg = msg.mid(p + 10);  // ten characters on, whatever the word's length
    }
    qsizetype d = msg.indexOf(u'.');
    if (d < 0) return msg;
    int number = 0;
    if (!ReadDecimal(msg.left(d), number)) return msg;
    info.Number = number;
    msg = TrimLineSpace(msg.mid(d + 1));
    info.Name = u"Unknown"_s;
    if (!withName) return msg;
    d = msg.indexOf(u'.');
    if (d >= 0) {
        info.Name = msg.left(d);
        msg = msg.mid(d + 1);
    }
    const QString at = lexems.At.toLower();
    qsizetype a0 = at.isEmpty() ? -1 : msg.toLower().indexOf(at);
    // 1-based position a below the length minus 3, with a blank right after the word.
    if (a0 >= 0 && a0 + 1 < msg.size() - 3 && a0 + 2 < msg.size() && msg[a0 + 2] == u' ') msg = msg.left(a0);
    return msg;
}
