#include "listupload.h"

#include "jsonscript.h"
#include "serviceapi.h"
#include "userlists.h"

const QVector<UploadList> &uploadOrder()
{
    static const QVector<UploadList> order = {UploadList::ConcernedInst, UploadList::ReportSubscribe,
                                              UploadList::ReportFavorite, UploadList::StockBlock,
                                              UploadList::ConcernedAnalyst};
    return order;
}

qint64 uploadStamp(UploadList list)
{
    switch (list) {
    case UploadList::ConcernedInst:
        return getConcernedInstModified();
    case UploadList::ReportSubscribe:
        return getReportSubscribeModified();
    case UploadList::ReportFavorite:
        return getReportFavoriteModified();
    case UploadList::StockBlock:
        return getStockBlockModified();
    case UploadList::ConcernedAnalyst:
        return getConcernedAnalystModified();
    }
    return 0;
}

void clearUploadStamp(UploadList list, qint64 mdf)
{
    switch (list) {
    case UploadList::ConcernedInst:
        clearConcernedInstModified(mdf);
        break;
    case UploadList::ReportSubscribe:
        clearReportSubscribeModified(mdf);
        break;
    case UploadList::ReportFavorite:
        clearReportFavoriteModified(mdf);
        break;
    case UploadList::StockBlock:
        clearStockBlockModified(mdf);
        break;
    case UploadList::ConcernedAnalyst:
        clearConcernedAnalystModified(mdf);
        break;
    }
}

static QString apiUrl(UploadList list)
{
    switch (list) {
    case UploadList::ConcernedInst:
        return getInstApiUrl();
    case UploadList::ReportSubscribe:
        return getSubscribeApiUrl();
    case UploadList::ReportFavorite:
        return getFavoriteApiUrl();
    case UploadList::StockBlock:
        return getBlockApiUrl();
    case UploadList::ConcernedAnalyst:
        return getAnalystApiUrl();
    }
    return QString();
}

QString uploadUrl(UploadList list, qint64 stamp, const QString &session)
{
    return apiUrl(list) + QStringLiteral("?ssn=") + session + QStringLiteral("&mdf=") + QString::number(stamp)
           + QLatin1Char('&') + getSignedTimeQuery();
}

QString uploadBody(UploadList list)
{
    switch (list) {
    case UploadList::ConcernedInst:
        return buildConcernedInstUploadText();
    case UploadList::ReportSubscribe:
        return buildSubscribeUploadText();
    case UploadList::ReportFavorite:
        return buildFavoriteUploadText();
    case UploadList::StockBlock:
        return buildBlockUploadText();
    case UploadList::ConcernedAnalyst:
        return buildConcernedAnalystUploadText();
    }
    return QString();
}

static QString listWord(UploadList list)
{
    switch (list) {
    case UploadList::ConcernedInst:
        return QStringLiteral("关注机构");
    case UploadList::ReportSubscribe:
        return QStringLiteral("报告订阅");
    case UploadList::ReportFavorite:
        return QStringLiteral("收藏报告");
    case UploadList::StockBlock:
        return QStringLiteral("板块");
    case UploadList::ConcernedAnalyst:
        return QStringLiteral("关注分析师");
    }
    return QString();
}

QString uploadStartText(UploadList list)
{
    return QStringLiteral("上传") + listWord(list) + QStringLiteral("数据...");
}

QString uploadSuccessText(UploadList list)
{
    return QStringLiteral("上传") + listWord(list) + QStringLiteral("数据成功！");
}

QString uploadFailureText(UploadList list)
{
    return QStringLiteral("上传") + listWord(list) + QStringLiteral("数据失败！");
}

UploadReply readUploadReply(const QByteArray &body)
{
    JsonScript json;
    const QScriptValue reply = json.parseBody(body);
    UploadReply out;
    out.res = jsonInt(reply, QStringLiteral("res"));
    out.msg = jsonText(reply, QStringLiteral("msg"));
    out.mdf = jsonText(reply.property(QStringLiteral("data")), QStringLiteral("mdf")).toLongLong();
    return out;
}
