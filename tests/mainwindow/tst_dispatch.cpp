#include "mainwindowtest.h"

#include "dbconnection.h"
#include "globalstate.h"
#include "orderhistory.h"
#include "qwinacelist.h"
#include "qwinconsensuslist.h"
#include "qwinmain.h"
#include "qwinmatrixlist.h"
#include "qwinquotelist.h"
#include "qwinratinglist.h"
#include "qwinreportlist.h"
#include "userlists.h"

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QToolButton>
#include <QUrl>

#include <functional>

namespace {

// Values with the characters that end or escape a JSON string.
const QString kText = QStringLiteral("名\"称\\值\t末");
const QString kStock = QStringLiteral("600000.SH");
const QString kStockName = QStringLiteral("浦\"发\\银行");
const QString kAnalystId = QStringLiteral("1001");
const QString kAnalystName = QStringLiteral("张\"三\\");
const QString kSubscribe = QStringLiteral("订阅\"甲\\");

const QStringList kSignals = {QStringLiteral("showReportList"), QStringLiteral("showRatingList"),
                              QStringLiteral("showConsensusList"), QStringLiteral("showMatrixList"),
                              QStringLiteral("showAceList"), QStringLiteral("showQuoteList")};

// The ids of [Orders], first occurrence each, in key order.
QStringList orderIds()
{
    QSettings ini(QStringLiteral(":/config.ini"), QSettings::IniFormat);
    ini.setIniCodec("UTF-8");
    ini.beginGroup(QStringLiteral("Orders"));
    QStringList ids;
    for (const QString &key : ini.childKeys()) {
        const QString id = QJsonDocument::fromJson(ini.value(key).toString().toUtf8())
                               .object()
                               .value(QStringLiteral("id"))
                               .toString();
        if (!ids.contains(id))
            ids << id;
    }
    return ids;
}

int routeOf(const QString &id)
{
    const QStringList prefixes = {QStringLiteral("RPT"), QStringLiteral("RAT"), QStringLiteral("CNS"),
                                  QStringLiteral("MTX"), QStringLiteral("ACE"), QStringLiteral("QUO")};
    for (int i = 0; i < prefixes.size(); ++i)
        if (id.startsWith(prefixes.at(i)))
            return i;
    return -1;
}

// What a receiving window should read: the template's JSON with the raw values put into its
// strings.
QJsonValue withValues(const QJsonValue &value, const QHash<QString, QString> &values)
{
    if (value.isObject()) {
        QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            it.value() = withValues(it.value(), values);
        return object;
    }
    if (!value.isString())
        return value;
    static const QRegularExpression placeholder(QStringLiteral("%[A-Za-z]+%"));
    QString text = value.toString();
    QString out;
    int done = 0;
    auto it = placeholder.globalMatch(text);
    while (it.hasNext()) {
        const auto match = it.next();
        if (!values.contains(match.captured()))
            continue;
        out += text.mid(done, match.capturedStart() - done) + values.value(match.captured());
        done = match.capturedEnd();
    }
    return out + text.mid(done);
}

QHash<QString, QString> valuesOf(const QString &id)
{
    if (id == QLatin1String("RPT_SCH"))
        return {{QStringLiteral("%titleKeyword%"), QStringLiteral("标\"题\\1")},
                {QStringLiteral("%instKeyword%"), QStringLiteral("机\"构\\2")},
                {QStringLiteral("%analsKeyword%"), QStringLiteral("分\"析\\3")},
                {QStringLiteral("%reportCode%"), QStringLiteral("STK\"@\\CN")},
                {QStringLiteral("%reportYearStart%"), QStringLiteral("2015")},
                {QStringLiteral("%reportYearEnd%"), QStringLiteral("2016\"\\")}};
    if (id == QLatin1String("RPT_SUB"))
        return {{QStringLiteral("%subName%"), kSubscribe},
                {QStringLiteral("%titleKeyword%"), QStringLiteral("年\"报\\ -预告")},
                {QStringLiteral("%instKeyword%"), QStringLiteral("旧\"机构\\")},
                {QStringLiteral("%analsKeyword%"), QStringLiteral("李\"四\\")},
                {QStringLiteral("%reportCode%"), QStringLiteral("STK.COM@CN")}};
    return {{QStringLiteral("%inst%"), kText},       {QStringLiteral("%ind%"), kText},
            {QStringLiteral("%block%"), kText},      {QStringLiteral("%fav%"), kText},
            {QStringLiteral("%stkCode%"), kStock},   {QStringLiteral("%stkName%"), kStockName},
            {QStringLiteral("%anlID%"), kAnalystId}, {QStringLiteral("%anlName%"), kAnalystName}};
}

// Sends what the side bar sends: an item carrying "ID" and, when given, "NAME".
void clickItem(QWinMain &window, const QString &id, const QVariant &name = QVariant())
{
    QAction item;
    item.setProperty("ID", id);
    if (name.isValid())
        item.setProperty("NAME", name);
    QObject::connect(&item, &QAction::triggered, &window, &QWinMain::onActionClicked);
    item.trigger();
}

// How the test reaches each list: the side bar's item for the ids it carries (with the
// parameter as NAME where it takes one), the drill-down slot for the others that take a
// value.
std::function<void(QWinMain &)> triggerOf(const QString &id)
{
    const QStringList nameIds = {
        QStringLiteral("RPT_IND"), QStringLiteral("RPT_BLK"), QStringLiteral("RPT_INS"),
        QStringLiteral("RPT_SUB"), QStringLiteral("RPT_FAV"), QStringLiteral("RPT_ANL"),
        QStringLiteral("RAT_INS"), QStringLiteral("RAT_IND"), QStringLiteral("RAT_BLK"),
        QStringLiteral("RAT_ANL"), QStringLiteral("MTX_IND"), QStringLiteral("MTX_BLK"),
        QStringLiteral("CNS_IND"), QStringLiteral("CNS_BLK"), QStringLiteral("ACE_IND"),
        QStringLiteral("ACE_INS"), QStringLiteral("ACE_ANL"), QStringLiteral("QUO_IND"),
        QStringLiteral("QUO_BLK")};
    if (nameIds.contains(id)) {
        const QString name = id.endsWith(QLatin1String("_ANL")) ? kAnalystId
                             : id == QLatin1String("RPT_SUB")   ? kSubscribe
                                                                : kText;
        return [id, name](QWinMain &w) { clickItem(w, id, name); };
    }
    if (id == QLatin1String("RPT_STK"))
        return [](QWinMain &w) { w.showReportListOfStock(kStock); };
    if (id == QLatin1String("RAT_STK"))
        return [](QWinMain &w) { w.showRatingListOfStock(kStock); };
    if (id == QLatin1String("CNS_STK"))
        return [](QWinMain &w) { w.showConsensusListOfStock(kStock); };
    if (id == QLatin1String("MTX_STK"))
        return [](QWinMain &w) { w.showMatrixListOfStock(kStock); };
    if (id == QLatin1String("RAT_INS_STK"))
        return [](QWinMain &w) { w.showRatingListOfInstStock(kText, kStock); };
    if (id == QLatin1String("RPT_SCH"))
        return [](QWinMain &w) {
            const auto v = valuesOf(QStringLiteral("RPT_SCH"));
            w.showReportListOfSearch(v.value(QStringLiteral("%titleKeyword%")),
                                     v.value(QStringLiteral("%instKeyword%")),
                                     v.value(QStringLiteral("%analsKeyword%")),
                                     v.value(QStringLiteral("%reportCode%")),
                                     v.value(QStringLiteral("%reportYearStart%")),
                                     v.value(QStringLiteral("%reportYearEnd%")));
        };
    return [id](QWinMain &w) { clickItem(w, id); };
}

} // namespace

class TestDispatch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(prepareMainDatabase(dir));
        QSqlQuery query(mainDatabase());
        QVERIFY(query.prepare(QStringLiteral("insert into T_Stock (Stk_Code, Stk_Name, Stk_Quit) "
                                             "values (?, ?, 0)")));
        query.addBindValue(kStock);
        query.addBindValue(kStockName);
        QVERIFY(query.exec());
        QVERIFY(query.prepare(QStringLiteral("insert into T_Analyst (Anl_ID, Anl_UID, Anl_Name, "
                                             "Ins_Name, Anl_New, Anl_DtUpdate) "
                                             "values (?, 5001, ?, '机构', 1, '2017-01-06 00:00:00')")));
        query.addBindValue(kAnalystId.toInt());
        query.addBindValue(kAnalystName);
        QVERIFY(query.exec());
        // The older subscription form, institution under "ath", stored percent-encoded.
        const QJsonObject condition{{QStringLiteral("ttl"), QStringLiteral("年\"报\\ -预告")},
                                    {QStringLiteral("ath"), QStringLiteral("旧\"机构\\")},
                                    {QStringLiteral("anl"), QStringLiteral("李\"四\\")},
                                    {QStringLiteral("cod"), QStringLiteral("STK.COM@CN")}};
        QVERIFY(addSubscribe(kSubscribe,
                             QString::fromLatin1(QUrl::toPercentEncoding(QString::fromUtf8(
                                 QJsonDocument(condition).toJson(QJsonDocument::Compact)))),
                             false));
        // The window loads the caches from the fixture when it starts.
        window.reset(new QWinMain);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.data()));
    }

    void cleanupTestCase() { window.reset(); }

    void everyListId_data()
    {
        QTest::addColumn<QString>("id");
        const QStringList ids = orderIds();
        QCOMPARE(ids.size(), 125);
        for (const QString &id : ids)
            QTest::newRow(qPrintable(id)) << id;
    }

    void everyListId()
    {
        QFETCH(QString, id);
        const int route = routeOf(id);
        QList<QSharedPointer<QSignalSpy>> spies;
        for (const QString &name : kSignals)
            spies << QSharedPointer<QSignalSpy>::create(
                window.data(), QByteArray("2" + name.toLatin1() + "(QString,int)").constData());

        triggerOf(id)(*window);

        if (route < 0) {
            // Recorded as it stands, sent to no window.
            QCOMPARE(getOrderHistoryTop(), getOrderJson(id));
            for (const auto &spy : spies)
                QCOMPARE(spy->count(), 0);
            return;
        }
        for (int i = 0; i < spies.size(); ++i)
            QCOMPARE(spies.at(i)->count(), i == route ? 1 : 0);
        const QString request = spies.at(route)->at(0).at(0).toString();
        QCOMPARE(spies.at(route)->at(0).at(1).toInt(), 0);
        QCOMPARE(getOrderHistoryTop(), request);
        QCOMPARE(getOrderHistoryTopPage(), 0);

        QVERIFY2(!request.contains(QRegularExpression(QStringLiteral("%[A-Za-z]+%"))),
                 qPrintable(request));
        QJsonParseError error;
        const QJsonDocument parsed = QJsonDocument::fromJson(request.toUtf8(), &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QJsonObject expected =
            withValues(QJsonDocument::fromJson(getOrderJson(id).toUtf8()).object(), valuesOf(id))
                .toObject();
        QCOMPARE(parsed.object(), expected);
        QCOMPARE(parsed.object().value(QStringLiteral("id")).toString(), id);

        const QList<QMdiSubWindow *> windows = {
            window->findChild<QWinReportList *>(), window->findChild<QWinRatingList *>(),
            window->findChild<QWinConsensusList *>(), window->findChild<QWinMatrixList *>(),
            window->findChild<QWinAceList *>(), window->findChild<QWinQuoteList *>()};
        QVERIFY(windows.at(route)->isMaximized());
    }

    void historyDepthAndButtons()
    {
        while (getOrderHistoryCount() > 0)
            popOrderHistory();
        QToolButton *back = window->findChild<QToolButton *>(QStringLiteral("btnBack"));
        QToolButton *first = window->findChild<QToolButton *>(QStringLiteral("btnPageFirst"));
        QToolButton *previous = window->findChild<QToolButton *>(QStringLiteral("btnPagePrevious"));
        QToolButton *next = window->findChild<QToolButton *>(QStringLiteral("btnPageNext"));
        QToolButton *last = window->findChild<QToolButton *>(QStringLiteral("btnPageLast"));
        const QString a = getOrderJson(QStringLiteral("RCM_NEW"));
        const QString b = getOrderJson(QStringLiteral("RCM_FOC"));

        window->showList(a, 0);
        QCOMPARE(getOrderHistoryCount(), 1);
        QVERIFY(!back->isEnabled());
        QVERIFY(!first->isEnabled() && !previous->isEnabled());
        QVERIFY(next->isEnabled() && last->isEnabled());

        window->showList(b, 2);
        QCOMPARE(getOrderHistoryCount(), 2);
        QVERIFY(back->isEnabled());
        QVERIFY(first->isEnabled() && previous->isEnabled());

        // The request on top again: only its page follows.
        window->showList(b, 2);
        QCOMPARE(getOrderHistoryCount(), 2);
        window->showList(b, 5);
        QCOMPARE(getOrderHistoryCount(), 2);
        QCOMPARE(getOrderHistoryTopPage(), 5);

        for (int i = 0; i < 25; ++i)
            window->showList(QStringLiteral("{\"id\": \"RCM_X%1\"}").arg(i), 0);
        QCOMPARE(getOrderHistoryCount(), getMaxOrderHistoryCount());
        QCOMPARE(getOrderHistoryCount(), 20);
        QVERIFY(back->isEnabled());

        // Requests that cannot be read are kept as well; an empty one is not a request.
        window->showList(QStringLiteral("not json"), 1);
        QCOMPARE(getOrderHistoryTop(), QStringLiteral("not json"));
        window->showList(QString(), 0);
        QCOMPARE(getOrderHistoryTop(), QStringLiteral("not json"));
        clickItem(*window, QStringLiteral("NO_SUCH_LIST"));
        QCOMPARE(getOrderHistoryTop(), QStringLiteral("not json"));
    }

    void cancelledPickerShowsNothing_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("slot");
        // The side bar's "个股", "选择机构" and "选择分析师" carry no NAME; a code that the
        // stock cache lacks goes to the lookup too.
        for (const char *id : {"RPT_STK", "RAT_STK", "CNS_STK", "MTX_STK", "RPT_INS", "RAT_INS",
                               "ACE_INS", "RPT_ANL", "RAT_ANL", "ACE_ANL"})
            QTest::newRow(id) << QString::fromLatin1(id) << QString();
        QTest::newRow("unknown stock") << QString() << QStringLiteral("stock");
    }

    void cancelledPickerShowsNothing()
    {
        QFETCH(QString, id);
        QFETCH(QString, slot);
        window->showList(getOrderJson(QStringLiteral("RPT_NEW")), 0);
        const int depth = getOrderHistoryCount();
        QSignalSpy reports(window.data(), &QWinMain::showReportList);
        if (slot.isEmpty())
            clickItem(*window, id);
        else
            window->showReportListOfStock(QStringLiteral("999999.SZ"));
        QCOMPARE(getOrderHistoryCount(), depth);
        QCOMPARE(getOrderHistoryTop(), getOrderJson(QStringLiteral("RPT_NEW")));
        QCOMPARE(reports.count(), 0);
    }

    void listWindowsAskThroughTheMainWindow()
    {
        QSignalSpy reports(window.data(), &QWinMain::showReportList);
        QSignalSpy ratings(window.data(), &QWinMain::showRatingList);
        emit window->findChild<QWinRatingList *>()->showReportListOfStock(kStock);
        QCOMPARE(reports.count(), 1);
        emit window->findChild<QWinAceList *>()->showRatingListOfAnls(kAnalystId);
        QCOMPARE(ratings.count(), 1);
        QCOMPARE(QJsonDocument::fromJson(getOrderHistoryTop().toUtf8())
                     .object()
                     .value(QStringLiteral("name"))
                     .toString(),
                 QStringLiteral("分析师股票评级_") + kAnalystName);
        emit window->findChild<QWinReportList *>()->showList(getOrderJson(QStringLiteral("MTX_ALL")), 3);
        QCOMPARE(getOrderHistoryTopPage(), 3);
        QVERIFY(window->findChild<QWinMatrixList *>()->isMaximized());
    }

    void sidebarNewestButton()
    {
        window->showList(getOrderJson(QStringLiteral("ACE_ALL")), 0);
        QToolButton *newest = window->findChild<QToolButton *>(QStringLiteral("SidebarButton"));
        QVERIFY(newest);
        newest->click();
        QCOMPARE(getOrderHistoryTop(), getOrderJson(QStringLiteral("RPT_NEW")));
        QVERIFY(window->findChild<QWinReportList *>()->isMaximized());
    }

private:
    QTemporaryDir dir;
    QScopedPointer<QWinMain> window;
};

QTEST_MAIN(TestDispatch)
#include "tst_dispatch.moc"
