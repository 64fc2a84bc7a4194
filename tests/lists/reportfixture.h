#pragma once

// A data.s3 for the list tests in a temporary folder (also the data directory), with helpers to
// fill it, set the user's lists, run list statements and look at list windows.

#include "databaseschema.h"
#include "defaultconfig.h"
#include "fixturerows.h"
#include "globalstate.h"
#include "qwinreportlist.h"
#include "testfiles.h"
#include "userliststore.h"
#include "usersettings.h"

#include <QInputDialog>
#include <QMenu>
#include <QRegularExpression>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <memory>

// The colour a cell label was given of its own, in the words of a style sheet ("color:red;"),
// or empty when it shows the table's.
inline QString ownColour(const QWidget *label)
{
    if (!label || !label->testAttribute(Qt::WA_SetPalette))
        return QString();
    const QColor colour = label->palette().color(QPalette::Text);
    for (const char *name : {"black", "gray", "blue", "red", "green"}) {
        if (QColor(QLatin1String(name)) == colour)
            return QStringLiteral("color:%1;").arg(QLatin1String(name));
    }
    return colour.name();
}

// The embedded configuration and an empty data.s3 filled with reports.
inline std::unique_ptr<QTemporaryDir> openFixtureDatabase(const QList<FixtureReport> &reports)
{
    loadDefaultConfig();
    auto dir = std::make_unique<QTemporaryDir>();
    if (!dir->isValid() || !initMainDatabase(dir->path()))
        return nullptr;
    setDataDir(dir->path());
    for (const FixtureReport &r : reports) {
        if (!insertReport(r))
            return nullptr;
    }
    return dir;
}

// uid 1 wrote as 1001 and, after moving, as 1101; 2, 3 and 4 as 1002, 1003 and 1004.
inline bool insertFixtureAnalysts()
{
    bool ok = true;
    for (const char *anl : {"1001,1,张三", "1101,1,张三", "1002,2,李四", "1003,3,王五", "1004,4,Smith"})
        ok = ok && execSql("insert into T_Analyst (Anl_ID, Anl_UID, Anl_Name, Ins_Name, Ind_Name, Anl_Months, Anl_New, "
                           "Anl_DtUpdate) values (?, ?, ?, '', '', 12, 1, '2017-01-01 00:00:00')",
                           QVariant(QString::fromUtf8(anl).split(QLatin1Char(','))).toList());
    return ok;
}

inline void clearUserLists()
{
    resetUserLists();
    setMaskedInstList(QString());
    setPageSize(50);
    setPageCount(0);
    setIncludeCompany(1);
}

// "key=value;...": the user's lists and options of one case ("name:rest" for named lists).
inline void applySetup(const QString &setup)
{
    for (const QString &item : setup.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString key = item.section(QLatin1Char('='), 0, 0), value = item.section(QLatin1Char('='), 1);
        const QString name = value.section(QLatin1Char(':'), 0, 0), rest = value.section(QLatin1Char(':'), 1);
        if (key == QLatin1String("masked"))
            setMaskedInstList(value.split(QLatin1Char('|')).join(QLatin1Char(',')));
        else if (key == QLatin1String("pagesize") || key == QLatin1String("pagecount"))
            (key == QLatin1String("pagesize") ? setPageSize : setPageCount)(value.toInt());
        else if (key == QLatin1String("company"))
            setIncludeCompany(value.toInt());
        else if (key == QLatin1String("portfolio"))
            addToPortfolioList(value);
        else if (key == QLatin1String("block"))
            addBlockStock(name, rest, false);
        else if (key == QLatin1String("fav"))
            addFavoriteReport(name, rest, false);
        else if (key == QLatin1String("inst"))
            addToConcernedInstList(value);
        else if (key == QLatin1String("anl"))
            addToConcernedAnalystList(value);
        else // subscriptions are stored percent-encoded; "subraw" as given
            addSubscribe(name, key == QLatin1String("sub") ? QString::fromLatin1(QUrl::toPercentEncoding(rest)) : rest,
                         false);
    }
}

// The ids (column 0) a list statement selects: "" when it selects nothing, "error: ..." on failure.
template<class Statement>
QString selectedIds(const Statement &statement)
{
    QSqlQuery query(mainDatabase());
    if (!statement.exec(query))
        return statement.selectsNothing() ? QString() : QStringLiteral("error: ") + query.lastError().text();
    QStringList ids;
    while (query.next())
        ids << query.value(0).toString();
    return ids.join(QLatin1Char(','));
}

// The [Orders] template of id with each "%key%" replaced by its value.
inline QString filledRequest(const QString &id, const QList<QPair<QString, QString>> &values = {})
{
    QString text = getOrderJson(id);
    for (const auto &kv : values)
        text.replace(QLatin1Char('%') + kv.first + QLatin1Char('%'), kv.second);
    return text;
}

// Every [Orders] template of a list kind ("RPT_", "RAT_"), each placeholder filled with "1".
inline QStringList filledTemplates(const QString &kindPrefix)
{
    QSettings config(QStringLiteral(":/config.ini"), QSettings::IniFormat);
    config.beginGroup(QStringLiteral("Orders"));
    QStringList requests;
    for (const QString &key : config.childKeys()) {
        QString request = config.value(key).toString();
        request.replace(QRegularExpression(QStringLiteral("%[A-Za-z]+%")), QStringLiteral("1"));
        if (request.contains(QLatin1Char('"') + kindPrefix))
            requests << request;
    }
    return requests;
}

inline int rowOf(QTableWidget *t, const QString &id)
{
    for (int r = 0; r < t->rowCount(); ++r) {
        if (t->item(r, 0)->data(Qt::UserRole).toString() == id)
            return r;
    }
    return -1;
}

// The read flag of a row of table (T_Report, T_Rating).
inline int readFlagOf(const QString &table, const char *id)
{
    const QString column = table == QLatin1String("T_Report") ? "Rpt_Readed" : "Rat_Readed";
    return sqlText(QStringLiteral("select %1 from %2 where Rpt_ID = %3").arg(column, table, id)).toInt();
}

// Updates of one row of table fail until the trigger "Refuse" is dropped.
inline bool refuseUpdatesOf(const QString &table, const char *id)
{
    return execSql(QStringLiteral("create trigger Refuse before update on %1 when old.Rpt_ID = %2 "
                                  "begin select raise(abort, 'refused'); end")
                       .arg(table, id));
}

// The context menu that open() shows: its entries' captions, hidden ones in brackets, and the
// submenus' entries indented, with their check marks and data.
inline QStringList popupMenuTexts(const std::function<void()> &open)
{
    QStringList seen;
    QTimer::singleShot(50, [&seen] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        for (QAction *a : menu ? menu->actions() : QList<QAction *>()) {
            if (!a->isSeparator())
                seen << (a->isVisible() ? a->text() : QLatin1Char('[') + a->text() + QLatin1Char(']'));
            for (QAction *b : a->menu() ? a->menu()->actions() : QList<QAction *>()) {
                if (!b->isSeparator())
                    seen << "  " + b->text() + (b->isChecked() ? "*" : "") + "|" + b->data().toString();
            }
        }
        if (menu)
            menu->close();
    });
    open();
    return seen;
}

// Types text into the next input dialog and accepts it.
inline void answerInputDialog(const QString &text)
{
    QTimer::singleShot(20, [text] {
        auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
        dialog->setTextValue(text);
        dialog->accept();
    });
}
