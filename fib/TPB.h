#pragma once
#include <QByteArray>
#include <QStringList>
#include <optional>

// How a transaction's parameter words are chosen at each start.
enum TTPBMode { tpbDefault = 0, tpbReadCommitted = 1, tpbRepeatableRead = 2 };

// The words that replace TRParams at every start, or nothing for tpbDefault (TRParams kept as they are).
std::optional<QStringList> TPBModeParams(TTPBMode mode);

// Builds the transaction parameter buffer from TRParams: version byte 3, then one cluster per
// non-empty line; an empty list gives no bytes. Every line is trimmed and written back into params
// (the caller treats that as a change of the list). Throws EFIBClientError 10 for a refused word,
// 11 for an unknown word or a value that does not fit its length byte.
QByteArray BuildTPB(QStringList& params);
