#pragma once
#include <QPointer>
#include <QString>
#include <functional>

#include "data/TDataLink.h"
#include "data/TField.h"

// The link of a control that shows and edits one field. The control calls Modified() when the
// user changes its text, and writes the text into the field in OnUpdateData, which runs when the
// row is saved or the control calls UpdateRecord() (e.g. when it loses the focus).
class TFieldDataLink : public TDataLink {
public:
    QString FieldName() const { return m_fieldName; }
    void SetFieldName(const QString& name);
    // The bound field of the open dataset, matched by name without regard to case; null when absent.
    TField* Field() const { return m_field; }
    // The field can be written once the dataset is (or is put) in edit state.
    bool CanModify() const;
    bool IsModified() const { return m_modified; }
    void Modified() { m_modified = true; }
    // Drops the control's pending change and shows the field's value again.
    void Reset();

    // Show the field's value (the row moved, the field or the rows changed).
    std::function<void()> OnDataChange;
    std::function<void()> OnEditingChange;
    // Write the pending value into Field().
    std::function<void()> OnUpdateData;
    std::function<void()> OnActiveChange;

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void UpdateData() override;
    void FocusControl(TField* field) override { (void)field; }

private:
    void UpdateField();

    QString m_fieldName;
    QPointer<TField> m_field;
    bool m_modified = false;
};
