#include "core/Csv.h"

#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace Csv {

QString Field(const QString& text) {
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r')) return text;
    return u'"' + QString(text).replace(u"\""_s, u"\"\""_s) + u'"';
}

QString Line(const QStringList& fields) {
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i) line += u',';
        line += Field(fields[i]);
    }
    return line + u"\r\n"_s;
}

bool Save(const QString& path, const QString& text, QString* error) {
    // Written aside and renamed: a failure leaves an earlier file as it was.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0 && file.commit()) return true;
    if (error) *error = file.errorString();
    return false;
}

}  // namespace Csv
