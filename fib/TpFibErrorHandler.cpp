#include "fib/TpFibErrorHandler.h"

#include "core/Exception.h"
#include "fib/FIBErrors.h"
#include "fib/TFIBQuery.h"
#include "fib/TFIBTransaction.h"
#include "fib/TpFIBDatabase.h"

using namespace Qt::StringLiterals;

namespace {
constexpr int kShutdown = 335544528;
}

TpFibErrorHandler::TpFibErrorHandler(QObject* owner, bool designing) : TComponent(owner) {
    SetDesigning(designing);
    if (designing) return;
    if (ActiveErrorHandler()) throw Exception(u"Instance of TpFIBErroHandler already exists"_s);
    SetActiveErrorHandler(this);
}

TpFibErrorHandler::~TpFibErrorHandler() {
    if (ActiveErrorHandler() == this) SetActiveErrorHandler(nullptr);
}

TFIBDatabase* TpFibErrorHandler::SenderDatabase(QObject* sender) {
    if (!sender) return nullptr;
    if (auto* db = dynamic_cast<TFIBDatabase*>(sender)) return db;
    if (auto* statement = dynamic_cast<TFIBQuery*>(sender)) return statement->Database();
    if (auto* transaction = dynamic_cast<IFIBTransaction*>(sender)) {
        if (TFIBDatabase* db = transaction->DefaultDatabase()) return db;
        return transaction->DatabaseCount() > 0 ? transaction->Database(0) : nullptr;
    }
    return nullptr;
}

IFIBTransaction* TpFibErrorHandler::SenderTransaction(QObject* sender) {
    if (!sender) return nullptr;
    if (auto* statement = dynamic_cast<TFIBQuery*>(sender)) return statement->Transaction();
    if (auto* db = dynamic_cast<TFIBDatabase*>(sender)) return db->DefaultTransaction();
    return nullptr;
}

void TpFibErrorHandler::HandleError(QObject* sender, EFIBError& error, bool& doRaise) {
    ClassifyError(sender, error, doRaise);
    if (!OnFIBErrorEvent) return;
    OnFIBErrorEvent(sender, error, m_kind, doRaise);
    if (m_kind == keLostConnect && !doRaise) {
        // Reconnect attempts are not built, so no database is ever waiting to restore its connection.
        throw EAbort(u"Operation aborted"_s);
    }
}

void TpFibErrorHandler::ClassifyError(QObject* sender, EFIBError& error, bool& doRaise) {
    m_constraintName.clear();
    m_exceptionNumber = -1;
    m_kind = ClassifyKind(error.SQLCode(), error.GDSCode(), error.StatusCodes());
    switch (m_kind) {
        case keException:
            if (m_options & oeException) {
                IFIBTransaction* transaction = SenderTransaction(sender);
                TFIBDatabase* db = transaction ? transaction->DefaultDatabase() : nullptr;
                bool withName = db && db->IsFirebirdServer() && db->ServerMajorVersion() >= 2;
                TUserExceptionInfo info;
                info.Number = m_exceptionNumber;
                info.Name = m_exceptionName;
                error.ChangeMessage(CutUserExceptionMessage(error.Message(), m_lexems, withName, info));
                m_exceptionNumber = info.Number;
                m_exceptionName = info.Name;
            }
            break;
        case keLostConnect:
            if (error.GDSCode() == kShutdown) {
                if (TFIBDatabase* db = SenderDatabase(sender)) {
                    auto* pdb = dynamic_cast<TpFIBDatabase*>(db);
                    if (!pdb || pdb->Connected()) db->Disconnect(true);
                }
            }
            if (m_options & oeLostConnect) LostConnection(sender, error, doRaise);
            break;
        default:
            // The constraint options would replace the message from a repository this program has not.
            break;
    }
}

void TpFibErrorHandler::LostConnection(QObject* sender, EFIBError& error, bool& doRaise) {
    if (TFIBDatabase* db = SenderDatabase(sender)) {
        auto* pdb = dynamic_cast<TpFIBDatabase*>(db);
        if (pdb && pdb->Connected()) {
            TFIBLostConnectActions actions = laCloseConnect;
            pdb->HandleLostConnect(error, actions, doRaise);
        }
        return;
    }
    for (TFIBDatabase* db : DatabaseList()) {
        auto* pdb = dynamic_cast<TpFIBDatabase*>(db);
        if (!pdb || !pdb->Connected()) continue;
        TFIBLostConnectActions actions = laCloseConnect;
        pdb->HandleLostConnect(error, actions, doRaise);
    }
}
