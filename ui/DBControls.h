#pragma once
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "data/TFieldDataLink.h"

class TDataSource;
class TField;

// Data-aware controls: each shows one field of a data source's current row (bound by field name,
// without regard to case) and writes into it when it loses the focus and when the row is saved.

// The binding every data-aware control has.
class TDBControlLink {
public:
    void SetDataSource(TDataSource* source) { m_link.SetDataSource(source); }
    void SetDataField(const QString& name) { m_link.SetFieldName(name); }
    TField* Field() const { return m_link.Field(); }

protected:
    // Writes the control's text into the field when it was changed. A value the field refuses stays in
    // the control and is written again (and the refusal raised) when the row is saved; nothing is thrown.
    void WriteOnLeaving();

    TFieldDataLink m_link;
};

class TDBEdit : public QLineEdit, public TDBControlLink {
    Q_OBJECT
public:
    explicit TDBEdit(QWidget* parent = nullptr);
    // Typed letters become capitals.
    void SetUpperCase(bool on);

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void ShowField();
};

// Tab and Shift+Tab move the focus on; the text holds at most as many characters as a text field does.
class TDBMemo : public QPlainTextEdit, public TDBControlLink {
    Q_OBJECT
public:
    explicit TDBMemo(QWidget* parent = nullptr);
    int MaxLength() const { return m_maxLength; }

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void ShowField();
    void KeepToMaxLength();
    bool m_showing = false;
    int m_maxLength = -1;  // none
};

// Grayed for a null field; a Boolean field is checked when true, any other field when its text is the
// checked value (without regard to case). A click writes true/false or the checked/unchecked value.
class TDBCheckBox : public QCheckBox, public TDBControlLink {
    Q_OBJECT
public:
    explicit TDBCheckBox(QWidget* parent = nullptr);
    void SetValues(const QString& checked, const QString& unchecked);

protected:
    void nextCheckState() override;

private:
    void ShowField();
    QString m_checked = QStringLiteral("True");
    QString m_unchecked = QStringLiteral("False");
};

// An editable combo box over a field: choosing an entry (also with the arrow keys) or typing a text puts
// it into the field. Filling the list writes nothing and shows the field's text, not the first entry.
class TDBComboBox : public QComboBox, public TDBControlLink {
    Q_OBJECT
public:
    explicit TDBComboBox(QWidget* parent = nullptr);

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void ShowField();
    void Write(const QString& text);
    bool m_showing = false;
};
