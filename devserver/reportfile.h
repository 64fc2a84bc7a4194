#pragma once

#include <QByteArray>
#include <QString>

// The file of one research report, made on request: a PDF with the given number of pages for
// "PDF" (and for an empty type), a Word-readable RTF document for "DOC" and an Excel XML
// spreadsheet for "XLS". Chinese text uses the standard Adobe font STSong-Light, so nothing
// is embedded and the files stay small.
class ReportFile
{
public:
    struct Info
    {
        qint64 id = 0;
        QString type;
        int pages = 1;
        QString title;        // decoded
        QString institution;
        QString publishDate;
        QString analysts;
    };

    static QByteArray make(const Info &info);
    static QString extension(const QString &type);
    static const char *contentType(const QString &type);

private:
    static QByteArray pdf(const Info &info);
    static QByteArray rtf(const Info &info);
    static QByteArray spreadsheet(const Info &info);
};
