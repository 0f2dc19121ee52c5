#pragma once
#include "fib/TParamLines.h"

class TFIBDatabase;

// The connection parameter lines of a database (word, "=", value). Every change is refused with client
// error 13 while the database is connected (except at design time) and marks its DPB out of date.
class TDBParams : public TParamLines {
public:
    explicit TDBParams(TFIBDatabase* database) : m_database(database) {}

protected:
    void BeforeChange() override;
    void AfterChange() override;

private:
    TFIBDatabase* m_database;
};
