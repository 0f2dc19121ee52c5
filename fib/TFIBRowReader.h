#pragma once
#include <ibase.h>

#include <QVariant>
#include <vector>

#include "data/DBTypes.h"

class TField;
class TFields;
class TFIBXSQLVAR;
class TRecordBuffer;

// Copies the fetched row of a statement into a dataset row: for each field slot, the result column it
// reads, converted straight from the column's descriptor variable.
class TFIBRowReader {
public:
    void Reset(int count);
    // The slot reads column (none: it stays null); trim drops trailing blanks of texts.
    void Bind(int slot, TStorageKind kind, TFIBXSQLVAR* column, bool trim);
    // The scale of the slot's column, 0 for none.
    int ScaleOf(int slot) const;
    // row is reset (every slot null) by the caller.
    void Read(TRecordBuffer& row, const TFields& fields) const;

    // Stores a value read from any statement into the slot of field, in the slot's kind.
    static void StoreValue(const TField& field, const QVariant& value, TRecordBuffer& row, bool trimChar);

private:
    struct TColumnMap {
        int SQLType = 0;  // without the nullable bit
        int Scale = 0;
        TStorageKind Kind = TStorageKind::Bytes;
        const XSQLVAR* Var = nullptr;
        TFIBXSQLVAR* Column = nullptr;
        bool Trim = false;
    };
    std::vector<TColumnMap> m_map;
};
