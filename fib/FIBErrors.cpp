#include "fib/FIBErrors.h"

#include "fib/ErrorClassification.h"

#include <map>

#include "core/Format.h"
#include "core/TComponent.h"
#include "fib/StatusVector.h"

using namespace Qt::StringLiterals;

EFIBError::EFIBError(int sqlCode, int gdsCode, QString raiserPath, QString sqlText, QString statusText,
                     QString baseText, QObject* raiser)
    : EDatabaseError(ComposeMessage(raiserPath, sqlText, statusText, baseText)),
      m_sqlCode(sqlCode),
      m_gdsCode(gdsCode),
      m_raiserPath(std::move(raiserPath)),
      m_sqlText(std::move(sqlText)),
      m_statusText(std::move(statusText)),
      m_baseText(std::move(baseText)),
      m_raiser(raiser) {}

QString EFIBError::ComposeMessage(const QString& raiserPath, const QString& sqlText, const QString& statusText,
                                  const QString& baseText) {
    QString m;
    if (raiserPath.size() > 1) m = raiserPath + u":\r\n"_s;
    return m + sqlText + statusText + baseText;
}

EFIBClientError::EFIBClientError(int number, const QString& message, int gdsCode)
    : EFIBError(number, gdsCode, QString(), QString(), QString(), message, nullptr) {}

QString ClientErrorTemplate(int number) {
    static const std::map<int, QString> table = {
        {0, u"Неизвестная ошибка."_s},
        {2, u"Запрещено."_s},
        {7, u"Операция прервана пользователем."_s},
        {8, u"Константа DPB (isc_dpb_%s) не поддерживается."_s},
        {9, u"Константа DPB (%d) неизвестна."_s},
        {10, u"Константа TPB (isc_tpb_%s) не поддерживается."_s},
        {11, u"Константа TPB (%d) неизвестна."_s},
        {12, u"%s: Невозможно выполнить операцию -- База данных не открыта."_s},
        {13, u"Невозможно выполнить операцию -- База данных открыта."_s},
        {14, u"Отсутствует название базы данных."_s},
        {15, u"%s: Транзакция не активна."_s},
        {16, u"%s: Транзакция активна."_s},
        {18, u"%s: Не указано ни одной базы данных для компонента транзакции."_s},
        {21, u"У %s не присвоена база данных."_s},
        {22, u"У %s не присвоена транзакция."_s},
        {28, u"Невозможно %s поскольку dataset %s открыт."_s},
        {29, u"Невозможно %s поскольку dataset %s закрыт."_s},
        {33, u"Ошибка конвертации данных."_s},
        {37, u"Невозможно %s, поскольку запрос пустой."_s},
        {41, u"Поле \"%s\" не найдено."_s},
        {42, u"DataSet не находится в режиме редактирования или вставки (Edit/Insert).(%s)"_s},
        {44, u"Невозможна вставка в dataset. (%s)"_s},
        {46, u"Ошибка обновления (update). (%s)"_s},
        {47, u"Ошибка удаления из dataset. (%s)"_s},
        {51, u"Ошибка синтаксического разбора SQL в :%s \r\n\r\n%s"_s},
        {61, u"Ошибочный диалект SQL"_s},
    };
    auto it = table.find(number);
    return it == table.end() ? QString() : it->second;
}

void RaiseClientError(int number, const QStringList& args) {
    throw EFIBClientError(number, FormatMessage(ClientErrorTemplate(number), args), int(ThreadStatusVector()[1]));
}

QString RaiserPathOf(const QObject* raiser) {
    if (!raiser) return {};
    return FullNameOf(raiser);
}

bool IsLostConnectionError(const EFIBError& error) {
    return ClassifyKind(error.SQLCode(), error.GDSCode(), error.StatusCodes()) == keLostConnect;
}
