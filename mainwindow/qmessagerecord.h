#pragma once

#include <QDateTime>
#include <QString>

// One message of the scrolling strip: a report of the current day as the update engine
// announced it, with its place on the strip. Two records are equal when their report ids are.
class QMessageRecord
{
public:
    QMessageRecord(const QString &reportId, const QString &title, const QString &institution,
                   const QString &type, const QDateTime &entryTime, const QDateTime &publishDate);

    bool operator==(const QMessageRecord &other) const { return reportId == other.reportId; }

    QString getId() const { return reportId; }
    QString getText() const { return text; }
    QDateTime getEntryTime() const { return entryTime; }
    int getX() const { return x; }
    void setX(int value) { x = value; }
    void moveLeft() { --x; }
    bool isFirstPass() const { return firstPass; }
    void setFirstPass(bool value) { firstPass = value; }

    // The name of the report's local file, the same name the report list gives it.
    QString getFileName() const;

private:
    QString reportId;
    QString title;
    QString institution;
    QString type;
    QDateTime entryTime;
    QDateTime publishDate;
    int x = 0;
    bool firstPass = true;
    QString text;
};
