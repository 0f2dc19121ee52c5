#pragma once
#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

#include "security/TUserInfo.h"

// How the service manager is reached.
enum TUIBProtocol { proLocalHost, proTCPIP, proNetBEUI };

// Item and action codes of the service parameter blocks.
namespace UIBSpb {
inline constexpr char Version = 2;          // isc_spb_version
inline constexpr char CurrentVersion = 2;   // isc_spb_current_version
inline constexpr char UserName = 28;        // isc_spb_user_name
inline constexpr char Password = 29;        // isc_spb_password
inline constexpr char Utf8Strings = 118;    // isc_spb_utf8_filename
inline constexpr char SqlRoleName = 60;     // isc_spb_sql_role_name
inline constexpr char SecUserID = 5;        // isc_spb_sec_userid
inline constexpr char SecGroupID = 6;       // isc_spb_sec_groupid
inline constexpr char SecUserName = 7;      // isc_spb_sec_username
inline constexpr char SecPassword = 8;      // isc_spb_sec_password
inline constexpr char SecFirstName = 10;    // isc_spb_sec_firstname
inline constexpr char SecMiddleName = 11;   // isc_spb_sec_middlename
inline constexpr char SecLastName = 12;     // isc_spb_sec_lastname
inline constexpr char AddUser = 4;          // isc_action_svc_add_user
inline constexpr char DeleteUser = 5;       // isc_action_svc_delete_user
inline constexpr char ModifyUser = 6;       // isc_action_svc_modify_user
inline constexpr char DisplayUser = 7;      // isc_action_svc_display_user
inline constexpr char InfoGetUsers = 68;    // isc_info_svc_get_users
inline constexpr char InfoEnd = 1;          // isc_info_end
}  // namespace UIBSpb

// The eight account properties of a user action with their marks; a property is marked once set.
struct TUIBUserFields {
    enum Index { Role, User, Pass, FirstName, MiddleName, LastName, UserID, GroupID, Count };

    QString Texts[6];
    qint32 Numbers[2] = {0, 0};
    unsigned Marks = 0;

    bool Marked(Index index) const { return (Marks & (1u << index)) != 0; }
    void SetText(Index index, const QString& value) { Texts[index] = value; Marks |= 1u << index; }
    void SetNumber(Index index, qint32 value) { Numbers[index - UserID] = value; Marks |= 1u << index; }
    const QString& Text(Index index) const { return Texts[index]; }
    qint32 Number(Index index) const { return Numbers[index - UserID]; }
};

// The service name for a protocol: "service_mgr", "<host>:service_mgr" or "\\<host>\service_mgr".
QString ServiceName(TUIBProtocol protocol, const QString& host);

// The attach block: version, login name and password when not empty, and the tag that makes the
// service manager take every text as UTF-8. Throws Exception when the name or password does not fit
// its one-byte length.
QByteArray BuildAttachBlock(const QString& userName, const QString& password);

// Throws Exception "Invalid user name : "%s"." for an empty login name or one with a blank.
void CheckServiceUserName(const QString& userName);

// The block of a user action: the action code, the role when marked, the user name (all but the
// listing), and for add and modify the marked password, names and numbers. Texts go as UTF-8.
// Throws Exception when a text does not fit its two-byte length.
QByteArray BuildUserActionBlock(char action, const TUIBUserFields& fields);

// Reads a listing that the server handed out in one reply into accounts (cleared once the reply's
// header is read). Reads only within size and within every declared length; anything unexpected
// throws Exception "Error while parsing Services API output." and leaves the complete records read
// before it in accounts.
void ParseUserListing(const char* reply, qsizetype size, std::vector<TUserInfo>& accounts);

// Reads a listing that the server hands out in parts, as its service produces the records: asks
// nextReply for one reply after another until one carries no records, then reads the records of all
// of them. Fails as ParseUserListing does; a record may be split between two replies.
void ReadUserListing(const std::function<QByteArray()>& nextReply, std::vector<TUserInfo>& accounts);
