#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

// The parameter words of a database connection and the bytes they become.

// Code of a DPB word (already lower-cased, without "isc_dpb_"): its number in the name list 1-83 or one
// of the extra names; 0 when unknown.
int DpbCodeOf(const QString& word);
// The name-list name of a code (1-83), empty otherwise.
QString DpbNameOf(int code);

// Builds the database parameter buffer from the parameter lines in order. Every line is trimmed in place
// (the caller writes the lines back). Throws client error 8 (refused word), 9 (unknown word), EConvertError
// for a numeric value that is no integer, and EFIBClientError -1 for a value longer than 255 bytes or a
// buffer longer than kMaxDpbLength bytes.
constexpr int kMaxDpbLength = 32767;
QByteArray BuildDPB(QStringList& lines, bool isFirebird);

// The shutdown flags byte of a "shutdown" value such as "force,single".
int ShutdownFlags(const QString& value);
// A decimal integer as the parameter lists write it; throws EConvertError "'%s' is not a valid integer value".
int DpbInteger(const QString& value);
