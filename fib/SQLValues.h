#pragma once
#include <ibase.h>

#include <QByteArray>
#include <QVariant>
#include <functional>

#include "fib/TSQLDA.h"

// What the server described for a parameter at prepare (DescribedType 0 while unprepared).
struct TBindTarget {
    short DescribedType = 0;  // sqltype without the nullable bit
    int Dialect = 3;
};

enum class TBindResult { Done, NeedsBlob };

// Puts value into variable i of da as the type of the value (the server converts). NULL and empty variants set the
// indicator; a string over 32767 bytes gives NeedsBlob with its bytes in blobContent, for the caller to store in a
// blob and bind with BindBlobId. Throws EFIBClientError 2 for a variant it cannot send.
TBindResult BindVariant(TSQLDA& da, int i, const QVariant& value, const TBindTarget& target, QByteArray* blobContent);
void BindBlobId(TSQLDA& da, int i, const ISC_QUAD& blobId);

// Reads the whole content of a blob; given by the statement, which holds the handles.
using TBlobReader = std::function<QByteArray(const ISC_QUAD& blobId)>;

// The value of a fetched variable: NULL as an invalid QVariant; texts and blobs from Windows-1251; trimChar
// drops the trailing blanks of CHAR and VARCHAR. Throws EFIBClientError 33 for a type it cannot read
// (a blob without readBlob included).
QVariant ReadVariant(const XSQLVAR& var, bool trimChar, const TBlobReader& readBlob = {});

// True for the numeric SQL types (sqltype without the nullable bit).
bool IsNumericSQLType(int sqltype);
