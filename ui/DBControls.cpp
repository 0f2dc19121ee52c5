#include "ui/DBControls.h"

#include <QValidator>

#include "data/TDataSet.h"
#include "data/TField.h"
#include "core/Exception.h"

namespace {
// Turns what is typed into capitals.
class TUpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        input = input.toUpper();
        return Acceptable;
    }
};

// Writes into the link's field once the dataset is (or is put) in edit state.
bool CanWrite(TFieldDataLink& link) { return link.Field() && link.Edit(); }

// The characters a text field holds; -1 for no limit.
int TextLimit(TField* f) { return f && f->DataType() == ftString && f->Size() > 0 ? f->Size() : -1; }
}  // namespace

void TDBControlLink::WriteOnLeaving() {
    // A value the field refuses stays in the control, still to be written: saving the row says why.
    try {
        if (m_link.IsModified() && CanWrite(m_link)) m_link.UpdateRecord();
    } catch (const Exception&) {
    }
}

// ---- TDBEdit

TDBEdit::TDBEdit(QWidget* parent) : QLineEdit(parent) {
    m_link.OnDataChange = [this] { ShowField(); };
    m_link.OnUpdateData = [this] { m_link.Field()->SetAsString(text()); };
    connect(this, &QLineEdit::textEdited, this, [this] { m_link.Modified(); });
}

void TDBEdit::SetUpperCase(bool on) { setValidator(on ? new TUpperCaseValidator(this) : nullptr); }

void TDBEdit::ShowField() {
    TField* f = m_link.Field();
    // A text field holds at most its size in characters.
    setMaxLength(TextLimit(f) > 0 ? TextLimit(f) : 32767);
    setText(f ? f->AsString() : QString());
}

void TDBEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    WriteOnLeaving();
}

// ---- TDBMemo

TDBMemo::TDBMemo(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
    m_link.OnDataChange = [this] { ShowField(); };
    m_link.OnUpdateData = [this] { m_link.Field()->SetAsString(toPlainText()); };
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (m_showing) return;
        KeepToMaxLength();
        m_link.Modified();
    });
}

void TDBMemo::ShowField() {
    m_showing = true;
    TField* f = m_link.Field();
    m_maxLength = TextLimit(f);
    setPlainText(f ? f->AsString() : QString());
    m_showing = false;
}

void TDBMemo::KeepToMaxLength() {
    const qsizetype extra = m_maxLength < 0 ? 0 : toPlainText().size() - m_maxLength;
    if (extra <= 0) return;
    // What was just typed or pasted before the cursor goes, as far as it does not fit.
    QTextCursor c = textCursor();
    const int end = c.position();
    c.setPosition(std::max(0, end - int(extra)));
    c.setPosition(end, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    const qsizetype still = toPlainText().size() - m_maxLength;
    if (still > 0) {
        // The cursor stood too early (text came in after it): the end goes.
        c.movePosition(QTextCursor::End);
        c.setPosition(int(toPlainText().size() - still), QTextCursor::KeepAnchor);
        c.removeSelectedText();
    }
}

void TDBMemo::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    WriteOnLeaving();
}

// ---- TDBCheckBox

TDBCheckBox::TDBCheckBox(QWidget* parent) : QCheckBox(parent) {
    setTristate(true);
    m_link.OnDataChange = [this] { ShowField(); };
    ShowField();
}

void TDBCheckBox::SetValues(const QString& checked, const QString& unchecked) {
    m_checked = checked;
    m_unchecked = unchecked;
    ShowField();
}

void TDBCheckBox::ShowField() {
    TField* f = m_link.Field();
    Qt::CheckState state = Qt::PartiallyChecked;
    if (f && !f->IsNull()) {
        if (f->DataType() == ftBoolean) {
            state = f->AsBoolean() ? Qt::Checked : Qt::Unchecked;
        } else {
            const QString text = f->AsString();
            if (text.compare(m_checked, Qt::CaseInsensitive) == 0) state = Qt::Checked;
            else if (text.compare(m_unchecked, Qt::CaseInsensitive) == 0) state = Qt::Unchecked;
        }
    }
    setCheckState(state);
}

void TDBCheckBox::nextCheckState() {
    // A click toggles between checked and unchecked; a grayed box becomes checked.
    const bool checked = checkState() != Qt::Checked;
    if (!CanWrite(m_link)) return;
    TField* f = m_link.Field();
    if (f->DataType() == ftBoolean) f->SetAsBoolean(checked);
    else f->SetAsString(checked ? m_checked : m_unchecked);
    ShowField();
}

// ---- TDBComboBox

TDBComboBox::TDBComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    m_link.OnDataChange = [this] { ShowField(); };
    m_link.OnUpdateData = [this] { m_link.Field()->SetAsString(currentText()); };
    // Only the user's choice (the list or the arrow keys) writes; filling the list does not.
    connect(this, &QComboBox::activated, this, [this](int index) { Write(itemText(index)); });
    connect(this, &QComboBox::editTextChanged, this, [this] {
        if (!m_showing) m_link.Modified();
    });
    // Adding the first entry makes it current (and counts as typing it): the box goes back to the field's
    // text, unchanged.
    connect(model(), &QAbstractItemModel::rowsInserted, this, [this] { m_link.Reset(); });
}

void TDBComboBox::Write(const QString& text) {
    if (m_showing || !CanWrite(m_link)) return;
    m_link.Field()->SetAsString(text);
}

void TDBComboBox::ShowField() {
    m_showing = true;
    TField* f = m_link.Field();
    const QString text = f ? f->AsString() : QString();
    const int at = findText(text, Qt::MatchFixedString);
    setCurrentIndex(at);
    setEditText(text);
    m_showing = false;
}

void TDBComboBox::focusOutEvent(QFocusEvent* event) {
    QComboBox::focusOutEvent(event);
    WriteOnLeaving();
}
