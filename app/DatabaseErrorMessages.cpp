#include "app/DatabaseErrorMessages.h"

using namespace Qt::StringLiterals;

namespace {
const QString CR = u"\r"_s;  // a lone carriage return, as the message boxes break lines
}

QString OtherErrorMessage(int gdsCode, const QString& statusText) {
    switch (gdsCode) {
        case 335544324:  // bad database handle
            return u"Нет подключения базе данных!"_s;
        case 335544344:  // I/O error
            return u"Невозможно подключиться к базе данных."_s + CR + CR + u"Причина ошибки:"_s + CR +
                   u"Не найден файл базы данных!"_s;
        case 335544375:  // unavailable database
            return u"Доступ к базе данных закрыт!"_s + CR + CR + u"Возможная причина: не запущен сервер Firebird!"_s;
        case 335544472:  // login refused
            return u"Невозможно подключиться к базе данных."_s + CR + CR + u"Причина ошибки:"_s + CR +
                   u"Неверно указано имя пользователя или пароль."_s;
        default:
            return u"Неизвестная ошибка времени выполнения"_s + CR + CR + u"Номер ошибки:"_s +
                   QString::number(gdsCode) + CR + CR + u"Текст ошибки:"_s + statusText;
    }
}

QString LostConnectionMessage() { return u"Связь прервана. Приложение будет закрыто!"_s; }
