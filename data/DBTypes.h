#pragma once
#include <QtGlobal>

// States of a dataset.
enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

// Notifications a dataset sends through its data sources to the data links.
enum TDataEvent {
    deFieldChange,      // info: the TField written
    deRecordChange,     // the current row's values changed as a whole (info: null)
    deDataSetChange,    // rows came, went or were replaced
    deDataSetScroll,    // info: the distance moved (int)
    deLayoutChange,     // the field list changed
    deUpdateRecord,     // controls write their pending values now
    deUpdateState,      // state or active flag changed
    deCheckBrowseMode,  // a move is about to end a pending change
    deFocusControl      // info: the TField whose control should take the focus
};

// Data types of fields.
enum TFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftBoolean,
    ftFloat,
    ftBCD,
    ftLargeint,
    ftDate,
    ftTime,
    ftDateTime,
    ftMemo,
    ftBlob
};

// Update status of a cached row.
enum TUpdateStatus : quint8 { usUnmodified, usModified, usInserted, usDeleted };

// What a post or delete error handler asks for.
enum TDataAction { daFail, daAbort, daRetry };

// How a field value is stored in a cached row.
enum class TStorageKind : quint8 { Int16, Int32, Int64, Double, Date, Time, DateTime, Bytes };

// Date and time values are kept in ticks of 100 microseconds, the server's own resolution.
constexpr qint64 kTicksPerMSec = 10;
constexpr qint64 kTicksPerDay = qint64(86400) * 1000 * kTicksPerMSec;
