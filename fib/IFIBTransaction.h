#pragma once

class TFIBDatabase;

// How a transaction is ended.
enum TTransactionAction { TARollback = 0, TARollbackRetaining = 1, TACommit = 2, TACommitRetaining = 3 };

// A transaction as the databases it includes see it. The database calls it when it disconnects (ends it
// with its TimeoutAction and force), when the connection is dropped (marks the handle shared, then ends it
// with TACommit and force, which only forgets the handle) and when the database is destroyed.
class IFIBTransaction {
public:
    virtual ~IFIBTransaction() = default;

    virtual bool Active() const = 0;
    virtual TTransactionAction TimeoutAction() const = 0;
    // Throws on failure unless force is set (then the handle is dropped whatever happened).
    virtual void EndTransaction(TTransactionAction action, bool force) = 0;
    // Marks the handle as shared: the next end forgets it without calling the server.
    virtual void SetHandleShared(bool shared) = 0;

    virtual TFIBDatabase* DefaultDatabase() const = 0;
    virtual void SetDefaultDatabase(TFIBDatabase* database) = 0;
    // Adds database to the transaction's database list (no duplicates) without calling it back.
    virtual void AddDatabase(TFIBDatabase* database) = 0;
    // The database is being destroyed: forget it without calling it back.
    virtual void DatabaseFreed(TFIBDatabase* database) = 0;
    // The databases the transaction includes, in the order they were added.
    virtual int DatabaseCount() const { return DefaultDatabase() ? 1 : 0; }
    virtual TFIBDatabase* Database(int index) const { return index == 0 ? DefaultDatabase() : nullptr; }
};
