#pragma once
// What the benchmarks share: environment defaults, medians, and the plain client-library loop that
// the data-access layer is measured against.
#include <dlfcn.h>
#include <ibase.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

#include <QEvent>
#include <QObject>

#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBQuery.h"
#include "fib/TpFIBTransaction.h"

inline QString Env(const char* name, const char* fallback) {
    const QString v = qEnvironmentVariable(name);
    return v.isEmpty() ? QString::fromLatin1(fallback) : v;
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

inline double Seconds(const QElapsedTimer& clock) { return double(clock.nsecsElapsed()) / 1e9; }

// The plain loop: the client library's own calls, rows fetched into one buffer and nothing converted.
class PlainClient {
public:
    explicit PlainClient(const QString& library) {
        m_lib = dlopen(library.toLocal8Bit().constData(), RTLD_NOW);
        if (!m_lib) throw std::runtime_error("cannot load the client library");
    }
    ~PlainClient() { dlclose(m_lib); }
    PlainClient(const PlainClient&) = delete;
    PlainClient& operator=(const PlainClient&) = delete;

    double Fetch(const QByteArray& dbName, const QByteArray& user, const QByteArray& password,
                 const char* sql, long& rows, double& rawBytesPerRow) {
        auto attach = Sym<decltype(&isc_attach_database)>("isc_attach_database");
        auto detach = Sym<decltype(&isc_detach_database)>("isc_detach_database");
        auto start = Sym<decltype(&isc_start_transaction)>("isc_start_transaction");
        auto commit = Sym<decltype(&isc_commit_transaction)>("isc_commit_transaction");
        auto alloc = Sym<decltype(&isc_dsql_allocate_statement)>("isc_dsql_allocate_statement");
        auto prepare = Sym<decltype(&isc_dsql_prepare)>("isc_dsql_prepare");
        auto describe = Sym<decltype(&isc_dsql_describe)>("isc_dsql_describe");
        auto execute = Sym<decltype(&isc_dsql_execute)>("isc_dsql_execute");
        auto fetch = Sym<decltype(&isc_dsql_fetch)>("isc_dsql_fetch");
        auto freeStmt = Sym<decltype(&isc_dsql_free_statement)>("isc_dsql_free_statement");
        ISC_STATUS sv[ISC_STATUS_LENGTH];
        QByteArray dpb;
        dpb.append(char(isc_dpb_version1));
        auto add = [&](char code, const QByteArray& value) {
            dpb.append(code);
            dpb.append(char(value.size()));
            dpb.append(value);
        };
        add(isc_dpb_lc_ctype, "WIN1251");
        add(isc_dpb_user_name, user);
        add(isc_dpb_password, password);
        isc_db_handle db = 0;
        Check(attach(sv, short(dbName.size()), dbName.constData(), &db, short(dpb.size()), dpb.constData()),
              sv);
        isc_tr_handle tr = 0;
        static char tpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_nowait, isc_tpb_rec_version,
                             isc_tpb_read_committed};
        Check(start(sv, &tr, 1, &db, short(sizeof tpb), tpb), sv);
        isc_stmt_handle st = 0;
        Check(alloc(sv, &db, &st), sv);
        std::vector<char> raw(XSQLDA_LENGTH(64));
        auto* da = reinterpret_cast<XSQLDA*>(raw.data());
        da->version = SQLDA_VERSION1;
        da->sqln = 64;
        Check(prepare(sv, &tr, &st, 0, sql, 3, da), sv);
        Check(describe(sv, &st, 1, da), sv);
        std::vector<std::vector<char>> buffers(size_t(da->sqld));
        std::vector<short> nulls(size_t(da->sqld));
        for (int i = 0; i < da->sqld; ++i) {
            XSQLVAR& v = da->sqlvar[i];
            buffers[size_t(i)].resize(size_t(v.sqllen) + 2);
            v.sqldata = buffers[size_t(i)].data();
            v.sqlind = &nulls[size_t(i)];
        }
        QElapsedTimer clock;
        clock.start();
        Check(execute(sv, &tr, &st, 1, nullptr), sv);
        rows = 0;
        ISC_STATUS s;
        while ((s = fetch(sv, &st, 1, da)) == 0) ++rows;
        if (s != 100) Check(s, sv);
        const double rate = double(rows) / Seconds(clock);
        freeStmt(sv, &st, DSQL_close);
        // A second pass, untimed, for the raw bytes.
        Check(execute(sv, &tr, &st, 1, nullptr), sv);
        double total = 0;
        long counted = 0;
        while (fetch(sv, &st, 1, da) == 0) {
            ++counted;
            for (int i = 0; i < da->sqld; ++i) {
                const XSQLVAR& v = da->sqlvar[i];
                total += 1;
                if ((v.sqltype & 1) && *v.sqlind == -1) continue;
                if ((v.sqltype & ~1) == SQL_VARYING) {
                    short len;
                    std::memcpy(&len, v.sqldata, sizeof len);
                    total += len;
                } else {
                    total += v.sqllen;
                }
            }
        }
        rawBytesPerRow = counted ? total / double(counted) : 0;
        freeStmt(sv, &st, DSQL_drop);
        commit(sv, &tr);
        detach(sv, &db);
        return rate;
    }

private:
    template <typename T>
    T Sym(const char* name) {
        void* p = dlsym(m_lib, name);
        if (!p) throw std::runtime_error(name);
        return reinterpret_cast<T>(p);
    }
    static void Check(ISC_STATUS status, const ISC_STATUS* sv) {
        if (status) {
            std::fprintf(stderr, "client call failed: %ld\n", long(sv[1]));
            throw std::runtime_error("client call failed");
        }
    }

    void* m_lib = nullptr;
};

// A connection as the program makes one (WIN1251, dialect 3) with its read and write transactions, owned
// by owner and opened. Environment: FB_USER, FB_PASSWORD, FB_CLIENT.
struct BenchConnection {
    TpFIBDatabase* db;
    TpFIBTransaction* tr;
    TpFIBTransaction* tw;
};
inline BenchConnection OpenBenchConnection(QObject* owner, const QString& dbName) {
    auto* db = new TpFIBDatabase(owner);
    db->SetName(QStringLiteral("db"));
    db->SetDBName(dbName);
    db->SetLibraryName(Env("FB_CLIENT", "libfbclient.so.2"));
    db->SetSQLDialect(3);
    db->DBParams().SetLines({QStringLiteral("lc_ctype=WIN1251"), QStringLiteral("user_name=") + Env("FB_USER", "SYSDBA"),
                             QStringLiteral("password=") + Env("FB_PASSWORD", "masterkey")});
    BenchConnection c{db, new TpFIBTransaction(owner), new TpFIBTransaction(owner)};
    c.tr->SetName(QStringLiteral("tr"));
    c.tw->SetName(QStringLiteral("tw"));
    for (auto [t, w] : {std::pair{c.tr, QStringLiteral("read")}, std::pair{c.tw, QStringLiteral("write")}}) {
        t->SetDefaultDatabase(db);
        t->SetTPBMode(tpbDefault);
        t->SetTimeoutAction(TACommit);
        t->TRParams().SetLines({w, QStringLiteral("nowait"), QStringLiteral("rec_version"), QStringLiteral("read_committed")});
    }
    db->Open(true);
    return c;
}

// Runs one statement (no parameters) in the write transaction and commits.
inline void ExecCommitted(TpFIBDatabase* db, TpFIBTransaction* tw, const QString& sql) {
    if (!tw->Active()) tw->StartTransaction();
    TpFIBQuery q;
    q.SetDatabase(db);
    q.SetTransaction(tw);
    q.SetParamCheck(false);
    q.SetSQLText(sql);
    q.ExecQuery();
    tw->Commit();
}

// Paints seen on a widget.
class PaintWatch : public QObject {
public:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++Paints;
        return false;
    }
    int Paints = 0;
};
