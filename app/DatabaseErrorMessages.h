#pragma once
#include <QString>

// The program's own message for an error of the catch-all kind, chosen by its first status code.
QString OtherErrorMessage(int gdsCode, const QString& statusText);
// The message shown when the connection to the server is lost.
QString LostConnectionMessage();
