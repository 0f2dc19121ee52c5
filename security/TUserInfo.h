#pragma once
#include <QString>

// One account of a listing, as the service manager reports it.
struct TUserInfo {
    QString UserName;
    QString FirstName;
    QString MiddleName;
    QString LastName;
    qint32 GroupID = 0;
    qint32 UserID = 0;
};
