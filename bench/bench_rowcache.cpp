// Row cache figures for WORKER-like rows: bytes per cached row against the raw bytes of the row,
// fetch rate through the dataset, and time to open and show the first 50 rows.
#include <malloc.h>

#include <QElapsedTimer>
#include <cstdio>

#include "core/Win1251.h"
#include "data/TDataLink.h"
#include "data/TDataSet.h"
#include "data/TDataSource.h"
#include "data/TField.h"

using namespace Qt::StringLiterals;

namespace {

// Makes WORKER rows as a server would hand them over: Windows-1251 bytes, one row per fetch.
class TWorkerGenerator : public TDataSet {
public:
    explicit TWorkerGenerator(int rows) : m_rows(rows) {
        const char* names[] = {"WORKER_ID", "SURNAME", "FIRSTNAME", "MIDLENAME",
                               "PHONE_NO",  "NOTICE",  "WORKING",   "IBNAME"};
        const TFieldType types[] = {ftInteger, ftString, ftString,   ftString,
                                    ftString,  ftString, ftSmallint, ftString};
        const int sizes[] = {0, 30, 30, 30, 30, 255, 0, 30};
        for (int i = 0; i < 8; ++i) {
            TFieldDef d;
            d.Name = QString::fromLatin1(names[i]);
            d.DataType = types[i];
            d.Size = sizes[i];
            d.FieldNo = i + 1;
            FieldDefs().push_back(d);
        }
        const QStringList surnames = {u"Иванов"_s,   u"Петрова"_s,  u"Сидоренко"_s,
                                      u"Кузнецов"_s, u"Смирнова"_s, u"Ёлкин"_s};
        const QStringList first = {u"Иван"_s, u"Мария"_s, u"Пётр"_s, u"Анна"_s};
        const QStringList middle = {u"Иванович"_s, u"Сергеевна"_s, u"Петрович"_s, u"Андреевна"_s};
        for (const QString& s : surnames) m_surnames << ToWin1251(s);
        for (const QString& s : first) m_first << ToWin1251(s);
        for (const QString& s : middle) m_middle << ToWin1251(s);
        m_notice = ToWin1251(u"Работает в абонентском отделе"_s);
    }
    ~TWorkerGenerator() override { Close(); }

    qint64 RawBytes() const { return m_raw; }

protected:
    void InternalOpen() override {
        m_next = 0;
        m_raw = 0;
    }
    void InternalClose() override {}
    bool FetchRecord(TRecordBuffer& row) override {
        if (m_next >= m_rows) return false;
        const int i = m_next++;
        const QByteArray& s = m_surnames[i % m_surnames.size()];
        const QByteArray& f = m_first[i % m_first.size()];
        const QByteArray& m = m_middle[i % m_middle.size()];
        char phone[32];
        int phoneLen =
            std::snprintf(phone, sizeof phone, "+7 (912) %03d-%02d-%02d", i % 1000, i % 100, (i / 100) % 100);
        char login[32];
        int loginLen = std::snprintf(login, sizeof login, "USER%d", i);
        row.SetInteger(0, i + 1);
        row.SetBytes(1, s);
        row.SetBytes(2, f);
        row.SetBytes(3, m);
        row.SetBytes(4, phone, phoneLen);
        if (i % 4 == 0) row.SetBytes(5, m_notice);
        row.SetInteger(6, 1);
        row.SetBytes(7, login, loginLen);
        m_raw +=
            4 + s.size() + f.size() + m.size() + phoneLen + (i % 4 == 0 ? m_notice.size() : 0) + 2 + loginLen;
        return true;
    }
    bool InternalPost(TRecordBuffer&, bool) override { return true; }
    bool InternalDelete() override { return true; }

private:
    int m_rows;
    int m_next = 0;
    qint64 m_raw = 0;
    QList<QByteArray> m_surnames, m_first, m_middle;
    QByteArray m_notice;
};

class TGridLink : public TDataLink {};

size_t HeapInUse() { return mallinfo2().uordblks + mallinfo2().hblkhd; }

}  // namespace

int main() {
    const int rows = 100000;
    {
        TWorkerGenerator ds(rows);
        const size_t before = HeapInUse();
        QElapsedTimer t;
        t.start();
        ds.Open();
        ds.FetchAll();
        const qint64 ns = t.nsecsElapsed();
        const size_t after = HeapInUse();
        const double perRow = double(after - before) / rows;
        const double raw = double(ds.RawBytes()) / rows;
        // The client's own buffer for such a row: VARCHARs at full length with their length words, null
        // flags.
        const int message = 4 + 4 * 32 + 257 + 2 + 32 + 8 * 2;
        std::printf("rows cached:            %d\n", ds.RecordCount());
        std::printf("Open + FetchAll:        %.0f rows/s (%.1f ms)\n", rows / (double(ns) / 1e9),
                    double(ns) / 1e6);
        std::printf("raw bytes per row:      %.1f (values only; %d in the client's row buffer)\n", raw,
                    message);
        std::printf(
            "heap bytes per row:     %.1f, %.2f x raw (cache blocks, row index, display order, fields)\n",
            perRow, perRow / raw);
        TField* surname = ds.FieldByName(u"SURNAME"_s);
        qint64 total = 0;
        t.restart();
        for (ds.First(); !ds.Eof(); ds.Next()) total += surname->AsString().size();
        std::printf("scan all rows reading SURNAME: %.1f ms (%lld chars)\n", double(t.nsecsElapsed()) / 1e6,
                    total);
    }
    for (int n : {1000, 100000, 1000000}) {
        TWorkerGenerator ds(n);
        TDataSource src;
        src.SetDataSet(&ds);
        TGridLink grid;
        grid.SetBufferCount(50);
        grid.SetDataSource(&src);
        QElapsedTimer t;
        t.start();
        ds.Open();
        const qint64 ns = t.nsecsElapsed();
        std::printf("open and first %d rows of %d: %.3f ms\n", ds.RecordCount(), n, double(ns) / 1e6);
    }
    return 0;
}
