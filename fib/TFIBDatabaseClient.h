#pragma once

// What a statement binding is told by the database it is registered with (TFIBDatabase::AddClient).
// Notifications run in registration order; a binding may not unregister from inside one of them.
class TFIBDatabaseClient {
public:
    virtual ~TFIBDatabaseClient() = default;

    virtual void DatabaseConnecting() {}
    virtual void DatabaseConnected() {}
    // The binding closes its statements; an exception passes on unless the disconnect is forced.
    virtual void DatabaseDisconnecting() {}
    virtual void DatabaseDisconnected() {}
    // The connection was dropped without detaching: a binding owned by a statement forgets its statement
    // handle, closes and marks it unprepared. Exceptions are ignored.
    virtual void DatabaseConnectionDropped() {}
    // The database is being destroyed and has already removed the binding from its list: forget it.
    virtual void DatabaseFreed() {}
};
