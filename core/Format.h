#pragma once
#include <QString>
#include <QStringList>

// Fills "%s" and "%d" placeholders of a message template in order; "%%" gives "%".
inline QString FormatMessage(const QString& templ, const QStringList& args = {}) {
    QString out;
    out.reserve(templ.size() + 32);
    qsizetype next = 0;
    for (qsizetype i = 0; i < templ.size(); ++i) {
        QChar c = templ[i];
        if (c == u'%' && i + 1 < templ.size()) {
            QChar k = templ[i + 1];
            if (k == u'%') { out += u'%'; ++i; continue; }
            if (k == u's' || k == u'd') {
                if (next < args.size()) out += args[next];
                ++next; ++i; continue;
            }
        }
        out += c;
    }
    return out;
}
