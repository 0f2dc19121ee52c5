#include "security/UIBErrors.h"

using namespace Qt::StringLiterals;

EUIBError::EUIBError(const QString& message, qint32 gdsCode, int sqlCode)
    : Exception(message), m_gdsCode(gdsCode), m_sqlCode(sqlCode) {}

QString ComposeUIBErrorMessage(const QStringList& statusLines, int sqlCode, const QString& sqlCodeText,
                               qint32 gdsCode) {
    QString message;
    for (const QString& line : statusLines) message += line + u"\r\n"_s;
    if (sqlCode != 0) message += sqlCodeText + u"\r\n"_s;
    message += u"\r\nGDS Code: "_s + QString::number(gdsCode) + u"Error Code: "_s +
               QString::number(gdsCode & 0xFFFF);
    return message;
}

void RaiseUIBError(const QString& message, qint32 gdsCode, int sqlCode, int exceptionNumber) {
    switch (UIBFacility(gdsCode)) {
    case 3: throw EUIBGFixError(message, gdsCode, sqlCode);
    case 7: throw EUIBDSQLError(message, gdsCode, sqlCode);
    case 8: throw EUIBDynError(message, gdsCode, sqlCode);
    case 12: throw EUIBGBakError(message, gdsCode, sqlCode);
    case 18: throw EUIBGSecError(message, gdsCode, sqlCode);
    case 19: throw EUIBLicenseError(message, gdsCode, sqlCode);
    case 21: throw EUIBGStatError(message, gdsCode, sqlCode);
    case 0:
        if (gdsCode == kUIBExceptionCode) throw EUIBException(message, gdsCode, sqlCode, exceptionNumber);
        break;
    default: break;
    }
    throw EUIBError(message, gdsCode, sqlCode);
}
