#include "fib/DpbBuilder.h"

#include <array>

#include "core/Exception.h"
#include "core/Format.h"
#include "core/TextCompare.h"
#include "core/Win1251.h"
#include "fib/FIBErrors.h"
#include "fib/StatusVector.h"

using namespace Qt::StringLiterals;

namespace {
// The published isc_dpb_ names, numbered 1 to 83 by their position.
constexpr std::array<const char16_t*, 83> kNames = {
    u"cdd_pathname", u"allocation", u"journal", u"page_size", u"num_buffers", u"buffer_length", u"debug",
    u"garbage_collect", u"verify", u"sweep", u"enable_journal", u"disable_journal", u"dbkey_scope",
    u"number_of_users", u"trace", u"no_garbage_collect", u"damaged", u"license", u"sys_user_name",
    u"encrypt_key", u"activate_shadow", u"sweep_interval", u"delete_shadow", u"force_write", u"begin_log",
    u"quit_log", u"no_reserve", u"user_name", u"password", u"password_enc", u"sys_user_name_enc", u"interp",
    u"online_dump", u"old_file_size", u"old_num_files", u"old_file", u"old_start_page", u"old_start_seqno",
    u"old_start_file", u"drop_walfile", u"old_dump_id", u"wal_backup_dir", u"wal_chkptlen", u"wal_numbufs",
    u"wal_bufsize", u"wal_grp_cmt_wait", u"lc_messages", u"lc_ctype", u"cache_manager", u"shutdown",
    u"online", u"shutdown_delay", u"reserved", u"overwrite", u"sec_attach", u"disable_wal",
    u"connect_timeout", u"dummy_packet_interval", u"gbak_attach", u"sql_role_name", u"set_page_buffers",
    u"working_directory", u"sql_dialect", u"set_db_readonly", u"set_db_sql_dialect", u"gfix_attach",
    u"gstat_attach", u"gbak_ods_version", u"gbak_ods_minor_version", u"set_group_commit", u"gbak_validate",
    u"client_interbase_var", u"admin_option", u"flush_interval", u"instance_name", u"old_overwrite",
    u"archive_database", u"archive_journals", u"archive_sweep", u"archive_dumps", u"archive_recover",
    u"recover_until", u"force"};

[[noreturn]] void RaiseDpbError(const QString& message) {
    throw EFIBClientError(-1, message, int(ThreadStatusVector()[1]));
}

void AppendString(QByteArray& dpb, int code, const QString& word, const QString& value) {
    const QByteArray bytes = ToWin1251(value);
    // The length byte cannot express more; a longer value would corrupt the buffer sent to the server.
    if (bytes.size() > 255)
        RaiseDpbError(FormatMessage(u"Значение параметра DPB (%s) длиннее 255 байт."_s, {word}));
    dpb += char(code);
    dpb += char(bytes.size());
    dpb += bytes;
}

void AppendByte(QByteArray& dpb, int code, int value) {
    dpb += char(code);
    dpb += char(1);
    dpb += char(value & 0xFF);
}

void AppendEmpty(QByteArray& dpb, int code) {
    dpb += char(code);
    dpb += char(0);
}
}  // namespace

int DpbCodeOf(const QString& word) {
    for (std::size_t i = 0; i < kNames.size(); ++i)
        if (word == QStringView(kNames[i])) return int(i) + 1;
    if (word == u"no_db_triggers") return 72;
    if (word == u"set_db_charset") return 68;
    if (word == u"utf8_filename") return 77;
    return 0;
}

QString DpbNameOf(int code) {
    if (code < 1 || code > int(kNames.size())) return {};
    return QString::fromUtf16(kNames[std::size_t(code - 1)]);
}

int DpbInteger(const QString& value) {
    qsizetype i = 0;
    while (i < value.size() && value[i] == u' ') ++i;
    qsizetype start = i;
    if (i < value.size() && (value[i] == u'+' || value[i] == u'-')) ++i;
    qsizetype digits = i;
    while (i < value.size() && value[i] >= u'0' && value[i] <= u'9') ++i;
    bool ok = i > digits && i == value.size();
    int result = 0;
    if (ok) result = value.mid(start).toInt(&ok, 10);
    if (!ok) throw EConvertError(FormatMessage(u"'%s' is not a valid integer value"_s, {value}));
    return result;
}

int ShutdownFlags(const QString& value) {
    int flags = 0;
    QString item;
    auto take = [&]() {
        if (item.isEmpty()) return;
        const QString w = AsciiLower(item);
        int v = -1;
        if (w == u"cache") v = 1;
        else if (w == u"attachment") v = 2;
        else if (w == u"transaction") v = 4;
        else if (w == u"force") v = 8;
        else if (w == u"normal") v = 16;
        else if (w == u"multi") v = 32;
        else if (w == u"single") v = 48;
        else if (w == u"full") v = 64;
        else if (w == u"mode_mask") v = 112;
        else if (w[0] >= u'0' && w[0] <= u'9') v = DpbInteger(w);
        flags |= v;
        item.clear();
    };
    for (QChar c : value) {
        if (c == u',' || c == u';') take();
        else item += c;
    }
    take();
    return flags & 0xFF;
}

QByteArray BuildDPB(QStringList& lines, bool isFirebird) {
    QByteArray dpb;
    dpb += char(isc_dpb_version1);
    for (QString& line : lines) {
        qsizetype b = 0, e = line.size();
        while (b < e && line[b].unicode() <= 32) ++b;
        while (e > b && line[e - 1].unicode() <= 32) --e;
        line = line.mid(b, e - b);
        if (line.isEmpty()) continue;

        const qsizetype eq = line.indexOf(u'=');
        const QString written = eq < 0 ? line : line.left(eq);
        const QString value = eq < 0 ? QString() : line.mid(eq + 1);
        QString word = AsciiLower(written);
        if (word.startsWith(u"isc_dpb_"_s)) word = word.mid(8);
        const int code = DpbCodeOf(word);

        switch (code) {
        case 5: case 9: case 13: case 17: case 24: case 27: case 33: case 34: case 52: case 54: case 57:
        case 58:
            AppendByte(dpb, code, DpbInteger(value));
            break;
        case 8: case 16: AppendByte(dpb, code, 1); break;
        case 10: AppendByte(dpb, code, 2); break;
        case 21: case 23: case 25: case 26: AppendByte(dpb, code, 0); break;
        case 19: case 20: case 28: case 29: case 30: case 36: case 47: case 48: case 60:
            AppendString(dpb, code, word, value);
            break;
        case 22: {
            const quint32 v = quint32(DpbInteger(value));
            dpb += char(code);
            dpb += char(4);
            for (int k = 0; k < 4; ++k) dpb += char((v >> (8 * k)) & 0xFF);
            break;
        }
        case 50:
            if (value.isEmpty()) AppendEmpty(dpb, code);
            else AppendByte(dpb, code, ShutdownFlags(value));
            break;
        case 51: AppendEmpty(dpb, code); break;
        case 63: {
            QString v = value;
            if (!v.isEmpty() && v[0] >= u'0' && v[0] <= u'9') v[0] = QChar(v[0].unicode() - u'0');
            AppendString(dpb, code, word, v);
            break;
        }
        case 68:
            if (isFirebird) AppendString(dpb, code, word, value);
            break;
        case 72:
            if (isFirebird) AppendByte(dpb, code, 1);
            break;
        case 75:
            if (!isFirebird) AppendString(dpb, code, word, value);
            break;
        case 77:
            if (isFirebird) AppendEmpty(dpb, code);
            break;
        case 0: RaiseClientError(9, {written});
        default: RaiseClientError(8, {DpbNameOf(code)});
        }
        // The attach call takes the length as a signed 16-bit number.
        if (dpb.size() > kMaxDpbLength)
            RaiseDpbError(FormatMessage(u"Буфер параметров DPB длиннее %d байт."_s, {QString::number(kMaxDpbLength)}));
    }
    return dpb;
}
