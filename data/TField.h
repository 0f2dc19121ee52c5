#pragma once
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <functional>

#include "core/TComponent.h"
#include "data/DBTypes.h"
#include "data/TRowView.h"

class TDataSet;
class TRecordBuffer;

// A column of a dataset as controls and code see it: reads the dataset's current row, and
// writes into the row being edited or inserted after the dataset has allowed the write.
class TField : public TComponent {
    Q_OBJECT
public:
    ~TField() override;

    TDataSet* DataSet() const { return m_dataSet; }
    // Adds the field to the dataset's field list (and takes it out of the former one's).
    void SetDataSet(TDataSet* dataSet);

    TFieldType DataType() const { return m_dataType; }
    virtual TStorageKind StorageKind() const = 0;
    QString FieldName() const { return m_fieldName; }
    void SetFieldName(const QString& name) { m_fieldName = name; }
    // Column position in the dataset's source, counting from 1; 0 for none.
    int FieldNo() const { return m_fieldNo; }
    void SetFieldNo(int fieldNo) { m_fieldNo = fieldNo; }
    QString DisplayLabel() const { return m_displayLabel.isEmpty() ? m_fieldName : m_displayLabel; }
    void SetDisplayLabel(const QString& label) { m_displayLabel = label; }
    QString DisplayName() const { return DisplayLabel(); }
    // Width in characters that a grid column takes by default.
    int DisplayWidth() const { return m_displayWidth >= 0 ? m_displayWidth : DefaultDisplayWidth(); }
    void SetDisplayWidth(int width) { m_displayWidth = width; }
    bool Visible() const { return m_visible; }
    void SetVisible(bool visible) { m_visible = visible; }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool Required() const { return m_required; }
    void SetRequired(bool required) { m_required = required; }
    int Size() const { return m_size; }
    void SetSize(int size) { m_size = size; }
    QString DefaultExpression() const { return m_defaultExpression; }
    void SetDefaultExpression(const QString& expression) { m_defaultExpression = expression; }
    QString DisplayFormat() const { return m_displayFormat; }
    void SetDisplayFormat(const QString& format) { m_displayFormat = format; }

    // Slot of the field's value in the dataset's rows; -1 while the dataset is closed.
    int Slot() const { return m_slot; }

    // Reading the current row (a null value for no row). Conversions that make no sense for the
    // field's kind raise EDatabaseError; texts that do not convert raise EConvertError.
    bool IsNull() const { return IsNullOf(ActiveRow()); }
    QVariant Value() const { return GetValue(ActiveRow()); }
    QString AsString() const { return GetAsString(ActiveRow()); }
    int AsInteger() const;
    qint64 AsLargeInt() const { return GetAsLargeInt(ActiveRow()); }
    bool AsBoolean() const { return GetAsBoolean(ActiveRow()); }
    double AsFloat() const { return GetAsFloat(ActiveRow()); }
    QDateTime AsDateTime() const { return GetAsDateTime(ActiveRow()); }
    QString DisplayText() const { return GetDisplayText(ActiveRow()); }
    QString Text() const { return AsString(); }
    // The value as stored in the row cache (fetched or last saved); null for a new row.
    QVariant OldValue() const;
    // The value being edited; the current value outside edit and insert state.
    QVariant NewValue() const { return Value(); }

    // Reading any row, for grids that show rows other than the current one.
    bool IsNullOf(const TRowView& row) const { return m_slot < 0 || row.IsNull(m_slot); }
    QVariant ValueOf(const TRowView& row) const { return GetValue(row); }
    QString AsStringOf(const TRowView& row) const { return GetAsString(row); }
    QString DisplayTextOf(const TRowView& row) const { return GetDisplayText(row); }

    // Writing: the dataset checks its state first (see TDataSet::CheckFieldWrite).
    void Clear();
    void SetValue(const QVariant& value);
    void SetAsString(const QString& text) { AssignString(text); }
    void SetText(const QString& text) { AssignString(text); }
    void SetAsInteger(int value) { AssignLargeInt(value); }
    void SetAsLargeInt(qint64 value) { AssignLargeInt(value); }
    void SetAsBoolean(bool value) { AssignBoolean(value); }
    void SetAsFloat(double value) { AssignFloat(value); }
    void SetAsDateTime(const QDateTime& value) { AssignDateTime(value); }

    // True when a write would be accepted in the dataset's present state.
    bool CanModify() const;

    std::function<void(TField&)> OnChange;

protected:
    TField(TFieldType dataType, QObject* owner);

    TRowView ActiveRow() const;

    virtual QVariant GetValue(const TRowView& row) const = 0;
    virtual QString GetAsString(const TRowView& row) const;
    virtual QString GetDisplayText(const TRowView& row) const { return GetAsString(row); }
    virtual qint64 GetAsLargeInt(const TRowView& row) const;
    virtual double GetAsFloat(const TRowView& row) const;
    virtual bool GetAsBoolean(const TRowView& row) const;
    virtual QDateTime GetAsDateTime(const TRowView& row) const;

    virtual void AssignString(const QString& text) = 0;
    virtual void AssignLargeInt(qint64 value);
    virtual void AssignFloat(double value);
    virtual void AssignBoolean(bool value);
    virtual void AssignDateTime(const QDateTime& value);
    virtual void AssignVariant(const QVariant& value);
    virtual int DefaultDisplayWidth() const { return 10; }

    // Checks that the dataset takes the write and returns its row buffer; EndWrite tells the
    // dataset the value changed. Convert the value before calling BeginWrite's caller stores it.
    TRecordBuffer& BeginWrite();
    void EndWrite();
    void StoreNull();

    [[noreturn]] void AccessError(const QString& typeName) const;
    [[noreturn]] void ValueError(const QString& text) const;

private:
    friend class TDataSet;

    TDataSet* m_dataSet = nullptr;
    TFieldType m_dataType;
    QString m_fieldName;
    QString m_displayLabel;
    QString m_defaultExpression;
    QString m_displayFormat;
    int m_fieldNo = 0;
    int m_displayWidth = -1;
    int m_size = 0;
    int m_slot = -1;
    bool m_visible = true;
    bool m_readOnly = false;
    bool m_required = false;
};
