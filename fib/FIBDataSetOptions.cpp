#include "fib/FIBDataSetOptions.h"

using namespace Qt::StringLiterals;

namespace {
struct TEntry {
    const char16_t* Name;
    int Bit;
};

enum TSet { sDetail, sOptions, sPrepare };

struct TEntryTable {
    TSet Set;
    const TEntry* Entries;
    int Count;
};

constexpr TEntry kDetail[] = {{u"dcForceOpen", dcForceOpen},
                              {u"dcIgnoreMasterClose", dcIgnoreMasterClose},
                              {u"dcForceMasterRefresh", dcForceMasterRefresh},
                              {u"WaitEndMasterScroll", dcWaitEndMasterScroll}};
constexpr TEntry kOptions[] = {{u"oTrimCharFields", poTrimCharFields},
                               {u"oRefreshAfterPost", poRefreshAfterPost},
                               {u"oRefreshDeletedRecord", poRefreshDeletedRecord},
                               {u"oStartTransaction", poStartTransaction},
                               {u"oAutoFormatFields", poAutoFormatFields},
                               {u"oProtectedEdit", poProtectedEdit},
                               {u"oUseSelectForLock", poUseSelectForLock},
                               {u"oKeepSorting", poKeepSorting},
                               {u"oPersistentSorting", poPersistentSorting},
                               {u"oVisibleRecno", poVisibleRecno},
                               {u"oNoForceIsNull", poNoForceIsNull},
                               {u"oFetchAll", poFetchAll},
                               {u"oFreeHandlesAfterClose", poFreeHandlesAfterClose},
                               {u"oCacheCalcFields", poCacheCalcFields},
                               {u"oRefreshAfterDelete", poRefreshAfterDelete},
                               {u"oDontAutoClose", poDontCloseAfterEndTransaction}};
constexpr TEntry kPrepare[] = {{u"poSetRequiredFields", pfSetRequiredFields},
                               {u"poSetReadOnlyFields", pfSetReadOnlyFields},
                               {u"poImportDefaultValues", pfImportDefaultValues},
                               {u"poUseBooleanField", psUseBooleanField},
                               {u"poUseGuidField", psUseGuidField},
                               {u"poSQLINT64ToBCD", psSQLINT64ToBCD},
                               {u"poApplyRepositary", psApplyRepositary},
                               {u"poGetOrderInfo", psGetOrderInfo},
                               {u"poAskRecordCount", psAskRecordCount},
                               {u"poCanEditComputedFields", psCanEditComputedFields},
                               {u"poEmptyStrToNull", psSetEmptyStrToNull},
                               {u"poSupportUnicodeBlobs", psSupportUnicodeBlobs},
                               {u"poUseLargeIntField", psUseLargeIntField}};

constexpr TEntryTable kTables[] = {{sDetail, kDetail, int(std::size(kDetail))},
                                   {sOptions, kOptions, int(std::size(kOptions))},
                                   {sPrepare, kPrepare, int(std::size(kPrepare))}};

int& SetOf(TDataSetOptionSets& sets, TSet set) {
    return set == sDetail ? sets.DetailConditions : set == sOptions ? sets.Options : sets.PrepareOptions;
}

int DefaultOf(TSet set) {
    return set == sDetail    ? kDefaultDetailConditions
           : set == sOptions ? kDefaultDsOptions
                             : kDefaultPrepareOptions;
}
}  // namespace

bool TDataSetOptionSets::ReadEntry(const QString& entry, bool value) {
    for (const TEntryTable& table : kTables)
        for (int i = 0; i < table.Count; ++i) {
            if (entry != QStringView(table.Entries[i].Name)) continue;
            int& set = SetOf(*this, table.Set);
            set = value ? set | table.Entries[i].Bit : set & ~table.Entries[i].Bit;
            return true;
        }
    return false;
}

QList<QPair<QString, bool>> TDataSetOptionSets::StoredEntries() const {
    QList<QPair<QString, bool>> out;
    auto& self = const_cast<TDataSetOptionSets&>(*this);
    for (const TEntryTable& table : kTables)
        for (int i = 0; i < table.Count; ++i) {
            const int bit = table.Entries[i].Bit;
            const bool on = (SetOf(self, table.Set) & bit) != 0;
            if (on != ((DefaultOf(table.Set) & bit) != 0))
                out.append({QString::fromUtf16(table.Entries[i].Name), on});
        }
    return out;
}
