#pragma once
#include <QObject>
#include <QString>
#include <ibase.h>
#include <vector>

#include "fib/IIBClientLibrary.h"

// Builds an EFIBInterBaseError from the calling thread's status vector, offers it to the active error
// handler and throws it unless the handler suppressed it; then it returns normally. An exception thrown
// by the handler replaces the error.
void ReportStatusError(IIBClientLibrary& library, QObject* raiser);

// The error codes (isc_arg_gds entries) of a status vector, in order; warnings are not errors.
std::vector<int> StatusCodesOf(const ISC_STATUS* status);

// The interpreted SQLCODE text of a status vector: backslash-n pairs removed, a small ASCII first letter
// made capital, and "." plus "\r\n" appended unless it already ends with ".".
QString ComposeSqlText(const QString& raw);
// Adds one interpreted piece of the status vector: first letter capitalised, "." unless present, "\r\n".
void AppendStatusPiece(QString& statusText, const QString& piece);
