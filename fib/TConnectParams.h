#pragma once
#include <QString>

class TDBParams;

// A typed view over the connection parameter lines: each property reads or writes one line.
class TConnectParams {
public:
    explicit TConnectParams(TDBParams& params) : m_params(params) {}

    QString UserName() const { return Value(u"user_name"); }
    void SetUserName(const QString& v) { SetValue(u"user_name", v); }
    QString Password() const { return Value(u"password"); }
    void SetPassword(const QString& v) { SetValue(u"password", v); }
    QString RoleName() const { return Value(u"sql_role_name"); }
    void SetRoleName(const QString& v) { SetValue(u"sql_role_name", v); }
    QString CharSet() const { return Value(u"lc_ctype"); }
    // Stored with the ASCII letters in capitals.
    void SetCharSet(const QString& v);
    QString InstanceName() const { return Value(u"instance_name"); }
    void SetInstanceName(const QString& v) { SetValue(u"instance_name", v); }

    bool IsFirebird() const { return m_isFirebird; }
    void SetIsFirebird(bool v) { m_isFirebird = v; }

    // The line of word: the first in which word (ASCII case ignored) first occurs at position 0 or at 8,
    // after an "isc_dpb_" prefix; -1 when none.
    int IndexOfWord(QStringView word) const;
    // The text after the first "=" of the word's line; empty without such a line.
    QString Value(QStringView word) const;
    // Replaces or appends word=value; an empty value deletes the word's line.
    void SetValue(QStringView word, const QString& value);

private:
    TDBParams& m_params;
    bool m_isFirebird = true;
};
