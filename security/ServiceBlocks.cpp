#include "security/ServiceBlocks.h"

#include "core/Exception.h"
#include "core/Format.h"

using namespace Qt::StringLiterals;

namespace {

const QString kParseError = u"Error while parsing Services API output."_s;

void AppendShortText(QByteArray& block, char code, const QString& text, const QString& what) {
    const QByteArray bytes = text.toUtf8();
    if (bytes.size() > 255)
        throw Exception(FormatMessage(u"The service %s is longer than 255 bytes."_s, {what}));
    block.append(code);
    block.append(char(bytes.size()));
    block.append(bytes);
}

void AppendText(QByteArray& block, char code, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    if (bytes.size() > 0xFFFF)
        throw Exception(FormatMessage(u"The text of service item %d is longer than 65535 bytes."_s,
                                      {QString::number(int(code))}));
    block.append(code);
    block.append(char(bytes.size() & 0xFF));
    block.append(char((bytes.size() >> 8) & 0xFF));
    block.append(bytes);
}

void AppendNumber(QByteArray& block, char code, qint32 value) {
    const quint32 v = quint32(value);
    block.append(code);
    for (int shift = 0; shift < 32; shift += 8) block.append(char((v >> shift) & 0xFF));
}

// Reads the items of listing records from [pos, limit); every failure is the parse error.
class ReplyReader {
public:
    ReplyReader(const unsigned char* data, qsizetype pos, qsizetype limit) : m_data(data), m_pos(pos), m_limit(limit) {}

    qsizetype Pos() const { return m_pos; }

    QString Text(char code) {
        Expect(code);
        Need(2);
        const qsizetype length = qsizetype(m_data[m_pos]) | (qsizetype(m_data[m_pos + 1]) << 8);
        m_pos += 2;
        Need(length);
        QString text = QString::fromUtf8(reinterpret_cast<const char*>(m_data + m_pos), length);
        m_pos += length;
        return text;
    }

    qint32 Number(char code) {
        Expect(code);
        Need(4);
        quint32 v = 0;
        for (int i = 0; i < 4; ++i) v |= quint32(m_data[m_pos + i]) << (8 * i);
        m_pos += 4;
        return qint32(v);
    }

private:
    void Expect(char code) {
        Need(1);
        if (m_data[m_pos] != static_cast<unsigned char>(code)) throw Exception(kParseError);
        ++m_pos;
    }
    void Need(qsizetype count) const {
        if (count > m_limit - m_pos) throw Exception(kParseError);
    }

    const unsigned char* m_data;
    qsizetype m_pos;
    qsizetype m_limit;
};

}  // namespace

QString ServiceName(TUIBProtocol protocol, const QString& host) {
    switch (protocol) {
    case proTCPIP: return host + u":service_mgr"_s;
    case proNetBEUI: return u"\\\\"_s + host + u"\\service_mgr"_s;
    case proLocalHost: break;
    }
    return u"service_mgr"_s;
}

QByteArray BuildAttachBlock(const QString& userName, const QString& password) {
    QByteArray block;
    block.append(UIBSpb::Version);
    block.append(UIBSpb::CurrentVersion);
    if (!userName.isEmpty()) AppendShortText(block, UIBSpb::UserName, userName, u"user name"_s);
    if (!password.isEmpty()) AppendShortText(block, UIBSpb::Password, password, u"password"_s);
    // Texts in the blocks are UTF-8 whatever the locale of the process.
    block.append(UIBSpb::Utf8Strings);
    block.append(char(0));
    return block;
}

void CheckServiceUserName(const QString& userName) {
    if (userName.isEmpty() || userName.contains(u' '))
        throw Exception(FormatMessage(u"Invalid user name : \"%s\"."_s, {userName}));
}

QByteArray BuildUserActionBlock(char action, const TUIBUserFields& fields) {
    using F = TUIBUserFields;
    QByteArray block;
    block.append(action);
    if (fields.Marked(F::Role)) AppendText(block, UIBSpb::SqlRoleName, fields.Text(F::Role));
    if (action == UIBSpb::DisplayUser) return block;
    AppendText(block, UIBSpb::SecUserName, fields.Text(F::User));
    if (action != UIBSpb::AddUser && action != UIBSpb::ModifyUser) return block;
    if (fields.Marked(F::Pass)) AppendText(block, UIBSpb::SecPassword, fields.Text(F::Pass));
    if (fields.Marked(F::FirstName)) AppendText(block, UIBSpb::SecFirstName, fields.Text(F::FirstName));
    if (fields.Marked(F::MiddleName)) AppendText(block, UIBSpb::SecMiddleName, fields.Text(F::MiddleName));
    if (fields.Marked(F::LastName)) AppendText(block, UIBSpb::SecLastName, fields.Text(F::LastName));
    if (fields.Marked(F::UserID)) AppendNumber(block, UIBSpb::SecUserID, fields.Number(F::UserID));
    if (fields.Marked(F::GroupID)) AppendNumber(block, UIBSpb::SecGroupID, fields.Number(F::GroupID));
    if (block.size() > 0xFFFF) throw Exception(u"The service action block is longer than 65535 bytes."_s);
    return block;
}

namespace {

// Far more than any security database holds; a server that never ends its listing is refused.
constexpr qsizetype kMaxListing = 16 * 1024 * 1024;

enum class Part { NoHeader, Malformed, More, Last };

// Appends the records of one reply (as far as the reply holds them) to records.
Part ReadPart(const char* reply, qsizetype size, QByteArray& records) {
    const auto* data = reinterpret_cast<const unsigned char*>(reply);
    if (size < 3 || data[0] != static_cast<unsigned char>(UIBSpb::InfoGetUsers)) return Part::NoHeader;
    const qsizetype length = qsizetype(data[1]) | (qsizetype(data[2]) << 8);
    const qsizetype available = qMin(length, size - 3);
    records.append(reply + 3, available);
    // The end mark stands right after the declared records.
    if (available < length || 3 + length >= size || data[3 + length] != static_cast<unsigned char>(UIBSpb::InfoEnd))
        return Part::Malformed;
    return length == 0 ? Part::Last : Part::More;
}

// Replaces accounts by the records; a record cut short or out of order throws.
void ParseUserRecords(const QByteArray& records, std::vector<TUserInfo>& accounts) {
    accounts.clear();
    ReplyReader reader(reinterpret_cast<const unsigned char*>(records.constData()), 0, records.size());
    while (reader.Pos() != records.size()) {
        TUserInfo info;
        info.UserName = reader.Text(UIBSpb::SecUserName);
        info.FirstName = reader.Text(UIBSpb::SecFirstName);
        info.MiddleName = reader.Text(UIBSpb::SecMiddleName);
        info.LastName = reader.Text(UIBSpb::SecLastName);
        info.UserID = reader.Number(UIBSpb::SecUserID);
        info.GroupID = reader.Number(UIBSpb::SecGroupID);
        accounts.push_back(std::move(info));
    }
}

// Keeps the complete records read so far, then fails.
[[noreturn]] void FailWithRecords(const QByteArray& records, std::vector<TUserInfo>& accounts) {
    try {
        ParseUserRecords(records, accounts);
    } catch (const Exception&) {
    }
    throw Exception(kParseError);
}

}  // namespace

void ParseUserListing(const char* reply, qsizetype size, std::vector<TUserInfo>& accounts) {
    QByteArray records;
    switch (ReadPart(reply, size, records)) {
    case Part::NoHeader: throw Exception(kParseError);
    case Part::Malformed: FailWithRecords(records, accounts);
    case Part::More:
    case Part::Last: break;
    }
    ParseUserRecords(records, accounts);
}

void ReadUserListing(const std::function<QByteArray()>& nextReply, std::vector<TUserInfo>& accounts) {
    QByteArray records;
    for (bool first = true;; first = false) {
        const QByteArray reply = nextReply();
        const Part part = ReadPart(reply.constData(), reply.size(), records);
        if (part == Part::NoHeader && first) throw Exception(kParseError);
        if (part == Part::NoHeader || part == Part::Malformed || records.size() > kMaxListing)
            FailWithRecords(records, accounts);
        if (part == Part::Last) break;
    }
    ParseUserRecords(records, accounts);
}
