#include "fib/TConnectParams.h"

#include "core/TextCompare.h"
#include "fib/TDBParams.h"

using namespace Qt::StringLiterals;

void TConnectParams::SetCharSet(const QString& v) { SetValue(u"lc_ctype", AsciiUpper(v)); }

int TConnectParams::IndexOfWord(QStringView word) const {
    const QString w = AsciiLower(word.toString());
    for (int i = 0; i < m_params.Count(); ++i) {
        const qsizetype at = AsciiLower(m_params.Strings(i)).indexOf(w);
        if (at == 0 || at == 8) return i;
    }
    return -1;
}

QString TConnectParams::Value(QStringView word) const {
    const int i = IndexOfWord(word);
    if (i < 0) return {};
    const QString line = m_params.Strings(i);
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QString() : line.mid(eq + 1);
}

void TConnectParams::SetValue(QStringView word, const QString& value) {
    const int i = IndexOfWord(word);
    if (value.isEmpty()) {
        if (i >= 0) m_params.Delete(i);
        return;
    }
    const QString line = word.toString() + u'=' + value;
    if (i >= 0) m_params.SetStrings(i, line);
    else m_params.Add(line);
}
