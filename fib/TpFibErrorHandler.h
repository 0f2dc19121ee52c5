#pragma once
#include <functional>

#include "core/TComponent.h"
#include "fib/ErrorClassification.h"
#include "fib/FibErrorHandlerHook.h"

class EFIBError;
class TFIBDatabase;
class IFIBTransaction;

enum TOptionErrorHandler { oeException = 1, oeForeignKey = 2, oeLostConnect = 4, oeCheck = 8, oeUniqueViolation = 16 };
using TOptionsErrorHandler = int;

// The process's one error handler: classifies every server error, handles a lost connection and lets
// OnFIBErrorEvent decide whether the error is raised. Creating a second one at run time throws
// Exception("Instance of TpFIBErroHandler already exists").
class TpFibErrorHandler : public TComponent, public IFibErrorHandler {
    Q_OBJECT
public:
    explicit TpFibErrorHandler(QObject* owner = nullptr, bool designing = false);
    ~TpFibErrorHandler() override;

    void HandleError(QObject* sender, EFIBError& error, bool& doRaise) override;

    TOptionsErrorHandler Options() const { return m_options; }
    void SetOptions(TOptionsErrorHandler options) { m_options = options; }
    TErrorLexems& ErrorLexems() { return m_lexems; }

    TKindIBError LastErrorKind() const { return m_kind; }
    int ExceptionNumber() const { return m_exceptionNumber; }
    QString ExceptionName() const { return m_exceptionName; }
    QString ConstraintName() const { return m_constraintName; }

    std::function<void(QObject* sender, EFIBError& errorValue, TKindIBError kind, bool& doRaise)> OnFIBErrorEvent;

    // The database and the transaction behind the object that raised an error (either may be null).
    static TFIBDatabase* SenderDatabase(QObject* sender);
    static IFIBTransaction* SenderTransaction(QObject* sender);

private:
    void ClassifyError(QObject* sender, EFIBError& error, bool& doRaise);
    void LostConnection(QObject* sender, EFIBError& error, bool& doRaise);

    TOptionsErrorHandler m_options = oeException | oeLostConnect;
    TErrorLexems m_lexems;
    TKindIBError m_kind = keNoError;
    int m_exceptionNumber = -1;
    QString m_exceptionName;
    QString m_constraintName;
};
