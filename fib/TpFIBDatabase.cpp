#include "fib/TpFIBDatabase.h"

#include <QCoreApplication>
#include <QMetaObject>

void TpFIBDatabase::Open(bool raiseOnError) {
    if (Connected()) return;
    if (BeforeConnect) {
        bool doConnect = true;
        BeforeConnect(this, DBParams(), doConnect);
        if (!doConnect) return;
    }
    TFIBDatabase::Open(raiseOnError);
}

void TpFIBDatabase::Disconnect(bool force) {
    if (Connected()) TFIBDatabase::Disconnect(force);
}

void TpFIBDatabase::HandleLostConnect(EFIBError& error, TFIBLostConnectActions& actions, bool& doRaise) {
    if (OnLostConnect) OnLostConnect(this, error, actions, doRaise);
    switch (actions) {
    case laTerminateApp:
        DropConnection();
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, &QCoreApplication::quit, Qt::QueuedConnection);
        break;
    case laCloseConnect: DropConnection(); break;
    case laIgnore: break;
    case laWaitRestore:
        // Reconnect attempts are not built: this program sets WaitForRestoreConnect to 0.
        DropConnection();
        break;
    }
}
