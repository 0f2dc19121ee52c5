#pragma once
#include "data/TStringField.h"

// A string field of a dataset's text column; knows whether the table column defaults to an empty text.
class TFIBStringField : public TStringField {
public:
    explicit TFIBStringField(QObject* owner = nullptr) : TStringField(owner) {}
    bool EmptyTextDefault() const { return m_emptyTextDefault; }
    void SetEmptyTextDefault(bool on) { m_emptyTextDefault = on; }

private:
    bool m_emptyTextDefault = false;
};
