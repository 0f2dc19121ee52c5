#include "fib/SQLNames.h"

#include <QSet>

#include "core/TextCompare.h"

using namespace Qt::StringLiterals;

qsizetype FindSQLName(const QStringList& names, const QString& name) {
    if (name.size() >= 2 && name.startsWith(u'"') && name.endsWith(u'"')) return names.indexOf(name.mid(1, name.size() - 2));
    const qsizetype exact = names.indexOf(name);
    if (exact >= 0) return exact;
    return names.indexOf(AsciiUpper(name));
}

QHash<QString, QList<int>> LinkedOccurrences(const QStringList& names) {
    QHash<QString, QList<int>> all;
    for (qsizetype i = 0; i < names.size(); ++i) all[names[i]].append(int(i));
    for (auto it = all.begin(); it != all.end();) {
        if (it->size() < 2) it = all.erase(it);
        else ++it;
    }
    return all;
}

QStringList NameResultColumns(const QStringList& aliases) {
    QStringList out;
    out.reserve(aliases.size());
    QSet<QString> taken;
    int unnamed = 0;
    for (const QString& alias : aliases) {
        QString name = alias.isEmpty() ? u"F_"_s + QString::number(++unnamed) : alias;
        if (taken.contains(name)) {
            for (int n = 1;; ++n) {
                const QString number = QString::number(n);
                QString candidate = name + number;
                if (candidate.size() > 30) candidate = name.left(32 - number.size()) + number;
                if (!taken.contains(candidate)) {
                    name = candidate;
                    break;
                }
            }
        }
        taken.insert(name);
        out.append(name);
    }
    return out;
}
