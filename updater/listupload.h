#pragma once

// The five user lists that the engine sends to the service when they have changed: their
// stamps, addresses, bodies and texts, and the reading of the service's answer.

#include <QByteArray>
#include <QString>
#include <QVector>

enum class UploadList { ConcernedInst, ReportSubscribe, ReportFavorite, StockBlock, ConcernedAnalyst };

// The order in which a tick looks for a changed list.
const QVector<UploadList> &uploadOrder();

qint64 uploadStamp(UploadList list);
// The stamp becomes 0 only when mdf >= the stamp: a list changed during its upload stays marked.
void clearUploadStamp(UploadList list, qint64 mdf);

// <api>?ssn=<session>&mdf=<stamp>&tms=<tms>&sgn=<md5 of tms>
QString uploadUrl(UploadList list, qint64 stamp, const QString &session);
QString uploadBody(UploadList list);

QString uploadStartText(UploadList list);
QString uploadSuccessText(UploadList list);
QString uploadFailureText(UploadList list);

struct UploadReply
{
    int res = 0;    // > 0 saved, 0 refused, < 0 the session has timed out
    QString msg;
    qint64 mdf = 0; // "data"."mdf"; 0 when absent or not a number
};
// A body that is not JSON reads as res 0 with an empty message.
UploadReply readUploadReply(const QByteArray &body);
