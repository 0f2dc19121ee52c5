#pragma once
#include "data/TField.h"

// A timestamp column; TDateField and TTimeField keep only the date or the time of day.
class TDateTimeField : public TField {
public:
    explicit TDateTimeField(QObject* owner = nullptr) : TField(ftDateTime, owner) {}
    TStorageKind StorageKind() const override { return TStorageKind::DateTime; }

    // Ticks of 100 microseconds: the date as a Julian day times the ticks of a day, plus the time.
    static qint64 ToTicks(const QDate& date, const QTime& time);
    static QDate DateOfTicks(qint64 ticks);
    static QTime TimeOfTicks(qint64 ticks);

protected:
    explicit TDateTimeField(TFieldType dataType, QObject* owner) : TField(dataType, owner) {}

    QVariant GetValue(const TRowView& row) const override;
    QString GetAsString(const TRowView& row) const override;
    QString GetDisplayText(const TRowView& row) const override;
    QDateTime GetAsDateTime(const TRowView& row) const override;
    double GetAsFloat(const TRowView&) const override { AccessError(QStringLiteral("Float")); }
    qint64 GetAsLargeInt(const TRowView&) const override { AccessError(QStringLiteral("Integer")); }
    // Reads the text in the default date and time formats (ISO 8601 also works).
    void AssignString(const QString& text) override;
    void AssignDateTime(const QDateTime& value) override;
    void AssignLargeInt(qint64) override { AccessError(QStringLiteral("Integer")); }
    void AssignFloat(double) override { AccessError(QStringLiteral("Float")); }
    int DefaultDisplayWidth() const override { return 19; }

    QString DefaultFormat() const;
};
