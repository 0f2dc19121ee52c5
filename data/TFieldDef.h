#pragma once
#include <QString>

#include "data/DBTypes.h"

// Description of one source column, from which the dataset makes a field when none is listed.
class TFieldDef {
public:
    QString Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;  // characters of a string; digits after the point of a BCD
    bool Required = false;
    int FieldNo = 0;  // column position from 1
};
