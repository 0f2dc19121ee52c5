#pragma once
#include <QList>
#include <QPair>
#include <QString>

// Options of a dataset, as bit sets.
enum TpFIBDsOption {
    poTrimCharFields = 1 << 0,
    poRefreshAfterPost = 1 << 1,
    poRefreshDeletedRecord = 1 << 2,
    poStartTransaction = 1 << 3,
    poAutoFormatFields = 1 << 4,
    poProtectedEdit = 1 << 5,
    poUseSelectForLock = 1 << 6,
    poKeepSorting = 1 << 7,
    poPersistentSorting = 1 << 8,
    poVisibleRecno = 1 << 9,
    poNoForceIsNull = 1 << 10,
    poFetchAll = 1 << 11,
    poFreeHandlesAfterClose = 1 << 12,
    poCacheCalcFields = 1 << 13,
    poRefreshAfterDelete = 1 << 14,
    poDontCloseAfterEndTransaction = 1 << 15
};
using TpFIBDsOptions = int;

enum TpPrepareOption {
    pfSetRequiredFields = 1 << 0,
    pfSetReadOnlyFields = 1 << 1,
    pfImportDefaultValues = 1 << 2,
    psUseBooleanField = 1 << 3,
    psUseGuidField = 1 << 4,
    psSQLINT64ToBCD = 1 << 5,
    psApplyRepositary = 1 << 6,
    psGetOrderInfo = 1 << 7,
    psAskRecordCount = 1 << 8,
    psCanEditComputedFields = 1 << 9,
    psSetEmptyStrToNull = 1 << 10,
    psSupportUnicodeBlobs = 1 << 11,
    psUseLargeIntField = 1 << 12
};
using TpPrepareOptions = int;

enum TDetailCondition {
    dcForceOpen = 1 << 0,
    dcIgnoreMasterClose = 1 << 1,
    dcForceMasterRefresh = 1 << 2,
    dcWaitEndMasterScroll = 1 << 3
};
using TDetailConditions = int;

enum TUpdateKind { ukModify = 1 << 0, ukInsert = 1 << 1, ukDelete = 1 << 2 };
using TUpdateKinds = int;

enum TTransactionKind { tkReadTransaction, tkUpdateTransaction };

constexpr TpFIBDsOptions kDefaultDsOptions =
    poTrimCharFields | poRefreshAfterPost | poStartTransaction | poAutoFormatFields;
constexpr TpPrepareOptions kDefaultPrepareOptions =
    pfImportDefaultValues | psUseBooleanField | psGetOrderInfo | psSetEmptyStrToNull;
constexpr TDetailConditions kDefaultDetailConditions = 0;
constexpr TUpdateKinds kAllUpdateKinds = ukModify | ukInsert | ukDelete;

// Display formats that poAutoFormatFields gives to fields without a format of their own; NumericDisplayFormat
// is the integer part of a number, its decimals follow from the column's scale.
struct TDataSetDefaultFormats {
    QString DateDisplayFormat = QStringLiteral("dd.mm.yyyy");
    QString TimeDisplayFormat = QStringLiteral("hh:nn:ss");
    QString DateTimeDisplayFormat = QStringLiteral("dd.mm.yyyy hh:nn:ss");
    QString NumericDisplayFormat = QStringLiteral("#,##0");
};

// The three option sets of a dataset as a window description stores them: one Boolean entry per
// option, written only when the option differs from its default.
struct TDataSetOptionSets {
    TpFIBDsOptions Options = kDefaultDsOptions;
    TpPrepareOptions PrepareOptions = kDefaultPrepareOptions;
    TDetailConditions DetailConditions = kDefaultDetailConditions;

    // Sets or clears the option of the entry; false for a name that is no option entry.
    bool ReadEntry(const QString& entry, bool value);
    // The entries to write, in the order of the option lists.
    QList<QPair<QString, bool>> StoredEntries() const;
};
