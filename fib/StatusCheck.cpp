#include "fib/StatusCheck.h"

#include <vector>

#include "core/Win1251.h"
#include "fib/FIBErrors.h"
#include "fib/FibErrorHandlerHook.h"
#include "fib/StatusVector.h"

using namespace Qt::StringLiterals;

namespace {
void CapitaliseAsciiFirst(QString& s) {
    if (!s.isEmpty() && s[0] >= u'a' && s[0] <= u'z') s[0] = QChar(s[0].unicode() - 32);
}

QString FromZeroTerminated(const char* buffer, qsizetype size) {
    qsizetype n = 0;
    while (n < size && buffer[n] != '\0') ++n;
    return FromWin1251(buffer, n);
}
}  // namespace

QString ComposeSqlText(const QString& raw) {
    QString text = raw;
    text.remove(u"\\n"_s);
    if (text.isEmpty()) return text;
    CapitaliseAsciiFirst(text);
    if (!text.endsWith(u'.')) text += u".\r\n"_s;
    return text;
}

void AppendStatusPiece(QString& statusText, const QString& piece) {
    QString p = piece;
    CapitaliseAsciiFirst(p);
    statusText += p;
    if (!statusText.endsWith(u'.')) statusText += u'.';
    statusText += u"\r\n"_s;
}

std::vector<int> StatusCodesOf(const ISC_STATUS* status) {
    std::vector<int> codes;
    // A status vector has 20 entries; every argument but the end marker is a type and one value, a
    // counted string a type, a length and a pointer.
    constexpr int kEntries = ISC_STATUS_LENGTH;
    for (int i = 0; i + 1 < kEntries && status[i] != isc_arg_end;) {
        const ISC_STATUS type = status[i];
        if (type == isc_arg_gds) codes.push_back(int(status[i + 1]));
        i += type == isc_arg_cstring ? 3 : 2;
    }
    return codes;
}

void ReportStatusError(IIBClientLibrary& library, QObject* raiser) {
    ISC_STATUS* status = ThreadStatusVector();
    const int gdsCode = int(status[1]);
    const int sqlCode = int(library.Call<EP::isc_sqlcode>(status));

    std::vector<char> buffer(20480, '\0');
    library.Call<EP::isc_sql_interprete>(short(sqlCode), buffer.data(), short(1024));
    const QString sqlText = ComposeSqlText(FromZeroTerminated(buffer.data(), 1024));

    QString statusText;
    const ISC_STATUS* position = status;
    for (;;) {
        buffer.assign(buffer.size(), '\0');
        const ISC_LONG length = library.Interpret(buffer.data(), unsigned(buffer.size()), &position);
        if (length <= 0) break;
        QString piece = FromWin1251(buffer.data(), qMin<qsizetype>(length, qsizetype(buffer.size())));
        if (!piece.isEmpty()) AppendStatusPiece(statusText, piece);
    }

    EFIBInterBaseError error(sqlCode, gdsCode, RaiserPathOf(raiser), sqlText, statusText, QString(), raiser);
    error.SetStatusCodes(StatusCodesOf(status));
    bool doRaise = true;
    if (IFibErrorHandler* handler = ActiveErrorHandler()) handler->HandleError(raiser, error, doRaise);
    if (doRaise) throw error;
}
