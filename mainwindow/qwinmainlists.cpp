// List dispatch: side-bar items and drill-downs become list requests, recorded in the
// navigation history and routed to the list window of their kind.

#include "qwinmain.h"

#include "analystcache.h"
#include "globalstate.h"
#include "jsonscript.h"
#include "listrequest.h"
#include "mainwindowlog.h"
#include "orderhistory.h"
#include "stockcache.h"
#include "userlists.h"

#include <QToolButton>
#include <QUrl>

void QWinMain::showList(const QString &request, int page)
{
    if (request.isEmpty()) {
        qCInfo(lcMainWindow) << "no list request to show";
        return;
    }
    pushOrderHistory(request, page);
    const int depth = getOrderHistoryCount();
    if (depth > getMaxOrderHistoryCount())
        removeOldestOrderHistory();
    btnBack->setEnabled(depth > 1);
    btnPageFirst->setEnabled(page != 0);
    btnPagePrevious->setEnabled(page != 0);
    btnPageNext->setEnabled(true);
    btnPageLast->setEnabled(true);

    using Route = void (QWinMain::*)(const QString &, int);
    const struct
    {
        QLatin1String prefix;
        Route signal;
    } routes[] = {{QLatin1String("RPT"), &QWinMain::showReportList},
                  {QLatin1String("RAT"), &QWinMain::showRatingList},
                  {QLatin1String("CNS"), &QWinMain::showConsensusList},
                  {QLatin1String("MTX"), &QWinMain::showMatrixList},
                  {QLatin1String("ACE"), &QWinMain::showAceList},
                  {QLatin1String("QUO"), &QWinMain::showQuoteList}};
    const QString id = listRequestId(request);
    for (const auto &route : routes) {
        if (id.startsWith(route.prefix)) {
            emit (this->*route.signal)(request, page);
            return;
        }
    }
}

void QWinMain::onActionClicked()
{
    const QObject *item = sender();
    if (!item)
        return;
    const QString id = item->property("ID").toString();
    const QString name = item->property("NAME").toString();

    using Slot = void (QWinMain::*)(const QString &);
    const struct
    {
        const char *id;
        Slot slot;
        bool takesName;
    } actions[] = {
        {"RPT_STK", &QWinMain::showReportListOfStock, false},
        {"RPT_IND", &QWinMain::showReportListOfInd, true},
        {"RPT_BLK", &QWinMain::showReportListOfBlock, true},
        {"RPT_INS", &QWinMain::showReportListOfInst, true},
        {"RPT_SUB", &QWinMain::showReportListOfSubscribe, true},
        {"RPT_FAV", &QWinMain::showReportListOfFavorite, true},
        {"RPT_ANL", &QWinMain::showReportListOfAnls, true},
        {"RAT_STK", &QWinMain::showRatingListOfStock, false},
        {"RAT_INS", &QWinMain::showRatingListOfInst, true},
        {"RAT_IND", &QWinMain::showRatingListOfInd, true},
        {"RAT_BLK", &QWinMain::showRatingListOfBlock, true},
        {"RAT_ANL", &QWinMain::showRatingListOfAnls, true},
        {"MTX_IND", &QWinMain::showMatrixListOfInd, true},
        {"MTX_BLK", &QWinMain::showMatrixListOfBlock, true},
        {"MTX_STK", &QWinMain::showMatrixListOfStock, false},
        {"CNS_IND", &QWinMain::showConsensusListOfInd, true},
        {"CNS_BLK", &QWinMain::showConsensusListOfBlock, true},
        {"CNS_STK", &QWinMain::showConsensusListOfStock, false},
        {"ACE_IND", &QWinMain::showAceListOfInd, true},
        {"ACE_INS", &QWinMain::showAceListOfInst, true},
        {"ACE_ANL", &QWinMain::showAceListOfAnls, true},
        {"QUO_IND", &QWinMain::showQuoteListOfInd, true},
        {"QUO_BLK", &QWinMain::showQuoteListOfBlock, true},
    };
    for (const auto &action : actions) {
        if (id == QLatin1String(action.id)) {
            // The stock entries always start the stock lookup.
            (this->*action.slot)(action.takesName ? name : QString());
            return;
        }
    }
    showList(getOrderJson(id), 0);
}

namespace {

// The stock rule: a code the stock cache lacks (an empty one too) goes to the lookup first.
QString resolveStock(QWinMain *window, const QString &code)
{
    return containsStockCode(code) ? code : window->showGeniusDialog(code);
}

} // namespace

void QWinMain::showReportListOfFavorite(const QString &folder)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("RPT_FAV")),
                             {{QStringLiteral("%fav%"), folder}}),
             0);
}

void QWinMain::showReportListOfInst(const QString &institution)
{
    const QString inst = institution.isEmpty() ? showInstSelectDialog(QString()) : institution;
    if (inst.isEmpty())
        return;
    showList(fillListRequest(getOrderJson(QStringLiteral("RPT_INS")),
                             {{QStringLiteral("%inst%"), inst}}),
             0);
}

namespace {

// The analyst rule: without an id the user picks an analyst, whose latest id is taken.
QString resolveAnalyst(QWinMain *window, const QString &analystId)
{
    if (!analystId.isEmpty())
        return analystId;
    const QString uid = window->showAnalystSelectDialog();
    return uid.isEmpty() ? QString() : getAnalystId(uid);
}

QHash<QString, QString> analystValues(const QString &id)
{
    return {{QStringLiteral("%anlID%"), id}, {QStringLiteral("%anlName%"), getAnalystNameById(id)}};
}

QHash<QString, QString> stockValues(const QString &code)
{
    return {{QStringLiteral("%stkCode%"), code}, {QStringLiteral("%stkName%"), getStockName(code)}};
}

} // namespace

void QWinMain::showReportListOfAnls(const QString &analystId)
{
    const QString id = resolveAnalyst(this, analystId);
    if (id.isEmpty())
        return;
    showList(fillListRequest(getOrderJson(QStringLiteral("RPT_ANL")), analystValues(id)), 0);
}

void QWinMain::showReportListOfInd(const QString &industry)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("RPT_IND")),
                             {{QStringLiteral("%ind%"), industry}}),
             0);
}

void QWinMain::showReportListOfStock(const QString &stockCode)
{
    const QString code = resolveStock(this, stockCode);
    if (code.isEmpty())
        return;
    showList(fillListRequest(getOrderJson(QStringLiteral("RPT_STK")), stockValues(code)), 0);
}

void QWinMain::showReportListOfSearch(const QString &titleKeyword, const QString &instKeyword,
                                      const QString &analsKeyword, const QString &reportCode,
                                      const QString &yearStart, const QString &yearEnd)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("RPT_SCH")),
                             {{QStringLiteral("%titleKeyword%"), titleKeyword},
                              {QStringLiteral("%instKeyword%"), instKeyword},
                              {QStringLiteral("%analsKeyword%"), analsKeyword},
                              {QStringLiteral("%reportCode%"), reportCode},
                              {QStringLiteral("%reportYearStart%"), yearStart},
                              {QStringLiteral("%reportYearEnd%"), yearEnd}}),
             0);
}

void QWinMain::showReportListOfSubscribe(const QString &name)
{
    // Stored percent-encoded; the older form keeps the institution under "ath".
    JsonScript json;
    const QScriptValue condition =
        json.parse(QUrl::fromPercentEncoding(getSubscribeContent(name).toUtf8()));
    QString ins = jsonText(condition, QStringLiteral("ins"));
    if (ins.isEmpty())
        ins = jsonText(condition, QStringLiteral("ath"));
    showList(fillListRequest(getOrderJson(QStringLiteral("RPT_SUB")),
                             {{QStringLiteral("%subName%"), name},
                              {QStringLiteral("%titleKeyword%"),
                               jsonText(condition, QStringLiteral("ttl"))},
                              {QStringLiteral("%instKeyword%"), ins},
                              {QStringLiteral("%analsKeyword%"),
                               jsonText(condition, QStringLiteral("anl"))},
                              {QStringLiteral("%reportCode%"),
                               jsonText(condition, QStringLiteral("cod"))}}),
             0);
}

void QWinMain::showReportListOfBlock(const QString &block)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("RPT_BLK")),
                             {{QStringLiteral("%block%"), block}}),
             0);
}

void QWinMain::showRatingListOfInst(const QString &institution)
{
    const QString inst =
        institution.isEmpty() ? showInstSelectDialog(QStringLiteral("RAT")) : institution;
    if (inst.isEmpty())
        return;
    showList(fillListRequest(getOrderJson(QStringLiteral("RAT_INS")),
                             {{QStringLiteral("%inst%"), inst}}),
             0);
}

void QWinMain::showRatingListOfStock(const QString &stockCode)
{
    const QString code = resolveStock(this, stockCode);
    if (code.isEmpty())
        return;
    showList(fillListRequest(getOrderJson(QStringLiteral("RAT_STK")), stockValues(code)), 0);
}

void QWinMain::showRatingListOfInstStock(const QString &institution, const QString &stockCode)
{
    QHash<QString, QString> values = stockValues(stockCode);
    values.insert(QStringLiteral("%inst%"), institution);
    showList(fillListRequest(getOrderJson(QStringLiteral("RAT_INS_STK")), values), 0);
}

void QWinMain::showRatingListOfInd(const QString &industry)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("RAT_IND")),
                             {{QStringLiteral("%ind%"), industry}}),
             0);
}

void QWinMain::showRatingListOfBlock(const QString &block)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("RAT_BLK")),
                             {{QStringLiteral("%block%"), block}}),
             0);
}

void QWinMain::showRatingListOfAnls(const QString &analystId)
{
    const QString id = resolveAnalyst(this, analystId);
    if (id.isEmpty())
        return;
    showList(fillListRequest(getOrderJson(QStringLiteral("RAT_ANL")), analystValues(id)), 0);
}

void QWinMain::showConsensusListOfBlock(const QString &block)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("CNS_BLK")),
                             {{QStringLiteral("%block%"), block}}),
             0);
}

void QWinMain::showConsensusListOfInd(const QString &industry)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("CNS_IND")),
                             {{QStringLiteral("%ind%"), industry}}),
             0);
}

void QWinMain::showConsensusListOfStock(const QString &stockCode)
{
    const QString code = resolveStock(this, stockCode);
    if (code.isEmpty())
        return;
    showList(fillListRequest(getOrderJson(QStringLiteral("CNS_STK")), stockValues(code)), 0);
}

void QWinMain::showAceListOfInst(const QString &institution)
{
    const QString inst = institution.isEmpty() ? showInstSelectDialog(QString()) : institution;
    if (inst.isEmpty())
        return;
    showList(fillListRequest(getOrderJson(QStringLiteral("ACE_INS")),
                             {{QStringLiteral("%inst%"), inst}}),
             0);
}

void QWinMain::showAceListOfInd(const QString &industry)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("ACE_IND")),
                             {{QStringLiteral("%ind%"), industry}}),
             0);
}

void QWinMain::showAceListOfAnls(const QString &analystId)
{
    const QString id = resolveAnalyst(this, analystId);
    if (id.isEmpty())
        return;
    showList(fillListRequest(getOrderJson(QStringLiteral("ACE_ANL")), analystValues(id)), 0);
}

void QWinMain::showMatrixListOfBlock(const QString &block)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("MTX_BLK")),
                             {{QStringLiteral("%block%"), block}}),
             0);
}

void QWinMain::showMatrixListOfInd(const QString &industry)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("MTX_IND")),
                             {{QStringLiteral("%ind%"), industry}}),
             0);
}

void QWinMain::showMatrixListOfStock(const QString &stockCode)
{
    const QString code = resolveStock(this, stockCode);
    if (code.isEmpty())
        return;
    showList(fillListRequest(getOrderJson(QStringLiteral("MTX_STK")), stockValues(code)), 0);
}

void QWinMain::showQuoteListOfInd(const QString &industry)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("QUO_IND")),
                             {{QStringLiteral("%ind%"), industry}}),
             0);
}

void QWinMain::showQuoteListOfBlock(const QString &block)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("QUO_BLK")),
                             {{QStringLiteral("%block%"), block}}),
             0);
}
