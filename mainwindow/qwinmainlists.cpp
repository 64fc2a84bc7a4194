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

#include <QMdiSubWindow>
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
            const QMdiSubWindow *before = shownWindow();
            emit (this->*route.signal)(request, page);
            // A list refreshed where it stands leaves the focus alone: the user may be typing
            // into its search field while the engine's newest reports arrive.
            if (shownWindow() != before)
                focusShownWindow();
            return;
        }
    }
}

namespace {

// How a list's template is filled from its one argument.
enum class Rule {
    Plain,             // the argument is the placeholder's value
    Institution,       // an empty institution is asked for among those of reports
    RatingInstitution, // ... among those of ratings
    Analyst,           // an analyst id; without one the user picks an analyst
    Stock,             // a code the stock cache lacks (an empty one too) goes to the lookup
    Subscription,      // the subscription's stored conditions
};

struct Filling
{
    const char *templateId;
    Rule rule;
    const char *placeholder; // the one placeholder of the plain and institution rules
};

const Filling kFillings[] = {
    {"RPT_FAV", Rule::Plain, "%fav%"},
    {"RPT_IND", Rule::Plain, "%ind%"},
    {"RPT_BLK", Rule::Plain, "%block%"},
    {"RPT_INS", Rule::Institution, "%inst%"},
    {"RPT_ANL", Rule::Analyst, nullptr},
    {"RPT_STK", Rule::Stock, nullptr},
    {"RPT_SUB", Rule::Subscription, nullptr},
    {"RAT_INS", Rule::RatingInstitution, "%inst%"},
    {"RAT_STK", Rule::Stock, nullptr},
    {"RAT_IND", Rule::Plain, "%ind%"},
    {"RAT_BLK", Rule::Plain, "%block%"},
    {"RAT_ANL", Rule::Analyst, nullptr},
    {"CNS_IND", Rule::Plain, "%ind%"},
    {"CNS_BLK", Rule::Plain, "%block%"},
    {"CNS_STK", Rule::Stock, nullptr},
    {"MTX_IND", Rule::Plain, "%ind%"},
    {"MTX_BLK", Rule::Plain, "%block%"},
    {"MTX_STK", Rule::Stock, nullptr},
    {"ACE_INS", Rule::Institution, "%inst%"},
    {"ACE_IND", Rule::Plain, "%ind%"},
    {"ACE_ANL", Rule::Analyst, nullptr},
    {"QUO_IND", Rule::Plain, "%ind%"},
    {"QUO_BLK", Rule::Plain, "%block%"},
};

const Filling *fillingOf(const QString &templateId)
{
    for (const Filling &filling : kFillings) {
        if (templateId == QLatin1String(filling.templateId))
            return &filling;
    }
    return nullptr;
}

QHash<QString, QString> stockValues(const QString &code)
{
    return {{QStringLiteral("%stkCode%"), code}, {QStringLiteral("%stkName%"), getStockName(code)}};
}

// The subscription's conditions, stored percent-encoded; the older form keeps the
// institution under "ath".
QHash<QString, QString> subscriptionValues(const QString &name)
{
    JsonScript json;
    const QScriptValue condition =
        json.parse(QUrl::fromPercentEncoding(getSubscribeContent(name).toUtf8()));
    QString ins = jsonText(condition, QStringLiteral("ins"));
    if (ins.isEmpty())
        ins = jsonText(condition, QStringLiteral("ath"));
    return {{QStringLiteral("%subName%"), name},
            {QStringLiteral("%titleKeyword%"), jsonText(condition, QStringLiteral("ttl"))},
            {QStringLiteral("%instKeyword%"), ins},
            {QStringLiteral("%analsKeyword%"), jsonText(condition, QStringLiteral("anl"))},
            {QStringLiteral("%reportCode%"), jsonText(condition, QStringLiteral("cod"))}};
}

// The placeholders' values by the filling's rule; empty when the user cancelled a picker.
QHash<QString, QString> valuesOf(QWinMain *window, const Filling &filling, const QString &argument)
{
    const QString placeholder = QLatin1String(filling.placeholder);
    switch (filling.rule) {
    case Rule::Plain:
        return {{placeholder, argument}};
    case Rule::Institution:
    case Rule::RatingInstitution: {
        const QString kind = filling.rule == Rule::RatingInstitution ? QStringLiteral("RAT") : QString();
        const QString inst = argument.isEmpty() ? window->showInstSelectDialog(kind) : argument;
        if (inst.isEmpty())
            return {};
        return {{placeholder, inst}};
    }
    case Rule::Analyst: {
        QString id = argument;
        if (id.isEmpty()) {
            const QString uid = window->showAnalystSelectDialog();
            if (!uid.isEmpty())
                id = getAnalystId(uid);
        }
        if (id.isEmpty())
            return {};
        return {{QStringLiteral("%anlID%"), id}, {QStringLiteral("%anlName%"), getAnalystNameById(id)}};
    }
    case Rule::Stock: {
        const QString code = containsStockCode(argument) ? argument : window->showGeniusDialog(argument);
        if (code.isEmpty())
            return {};
        return stockValues(code);
    }
    case Rule::Subscription:
        return subscriptionValues(argument);
    }
    return {};
}

void showFilledList(QWinMain *window, const char *templateId, const QString &argument)
{
    const Filling *filling = fillingOf(QLatin1String(templateId));
    const QHash<QString, QString> values = valuesOf(window, *filling, argument);
    if (values.isEmpty())
        return;
    window->showList(fillListRequest(getOrderJson(QLatin1String(templateId)), values), 0);
}

} // namespace

void QWinMain::onActionClicked()
{
    const QObject *item = sender();
    if (!item)
        return;
    const QString id = item->property("ID").toString();
    const Filling *filling = fillingOf(id);
    if (!filling) {
        showList(getOrderJson(id), 0);
        return;
    }
    // The stock entries always start the stock lookup.
    const QString name =
        filling->rule == Rule::Stock ? QString() : item->property("NAME").toString();
    showFilledList(this, filling->templateId, name);
}

void QWinMain::showReportListOfFavorite(const QString &folder)
{
    showFilledList(this, "RPT_FAV", folder);
}

void QWinMain::showReportListOfInst(const QString &institution)
{
    showFilledList(this, "RPT_INS", institution);
}

void QWinMain::showReportListOfAnls(const QString &analystId)
{
    showFilledList(this, "RPT_ANL", analystId);
}

void QWinMain::showReportListOfInd(const QString &industry)
{
    showFilledList(this, "RPT_IND", industry);
}

void QWinMain::showReportListOfStock(const QString &stockCode)
{
    showFilledList(this, "RPT_STK", stockCode);
}

void QWinMain::showReportListOfSubscribe(const QString &name)
{
    showFilledList(this, "RPT_SUB", name);
}

void QWinMain::showReportListOfBlock(const QString &block)
{
    showFilledList(this, "RPT_BLK", block);
}

void QWinMain::showRatingListOfInst(const QString &institution)
{
    showFilledList(this, "RAT_INS", institution);
}

void QWinMain::showRatingListOfStock(const QString &stockCode)
{
    showFilledList(this, "RAT_STK", stockCode);
}

void QWinMain::showRatingListOfInd(const QString &industry)
{
    showFilledList(this, "RAT_IND", industry);
}

void QWinMain::showRatingListOfBlock(const QString &block)
{
    showFilledList(this, "RAT_BLK", block);
}

void QWinMain::showRatingListOfAnls(const QString &analystId)
{
    showFilledList(this, "RAT_ANL", analystId);
}

void QWinMain::showConsensusListOfBlock(const QString &block)
{
    showFilledList(this, "CNS_BLK", block);
}

void QWinMain::showConsensusListOfInd(const QString &industry)
{
    showFilledList(this, "CNS_IND", industry);
}

void QWinMain::showConsensusListOfStock(const QString &stockCode)
{
    showFilledList(this, "CNS_STK", stockCode);
}

void QWinMain::showAceListOfInst(const QString &institution)
{
    showFilledList(this, "ACE_INS", institution);
}

void QWinMain::showAceListOfInd(const QString &industry)
{
    showFilledList(this, "ACE_IND", industry);
}

void QWinMain::showAceListOfAnls(const QString &analystId)
{
    showFilledList(this, "ACE_ANL", analystId);
}

void QWinMain::showMatrixListOfBlock(const QString &block)
{
    showFilledList(this, "MTX_BLK", block);
}

void QWinMain::showMatrixListOfInd(const QString &industry)
{
    showFilledList(this, "MTX_IND", industry);
}

void QWinMain::showMatrixListOfStock(const QString &stockCode)
{
    showFilledList(this, "MTX_STK", stockCode);
}

void QWinMain::showQuoteListOfInd(const QString &industry)
{
    showFilledList(this, "QUO_IND", industry);
}

void QWinMain::showQuoteListOfBlock(const QString &block)
{
    showFilledList(this, "QUO_BLK", block);
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

void QWinMain::showRatingListOfInstStock(const QString &institution, const QString &stockCode)
{
    QHash<QString, QString> values = stockValues(stockCode);
    values.insert(QStringLiteral("%inst%"), institution);
    showList(fillListRequest(getOrderJson(QStringLiteral("RAT_INS_STK")), values), 0);
}
