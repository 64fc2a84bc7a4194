#pragma once

// The limit of an import: the rows of a package, their values already taken out of the JSON and
// converted, written by one prepared statement per package kind through SQLite's C API in one
// transaction. Whatever the importer costs beyond that (reading values, binding QVariants, the
// lookups of its rules) is the importer's own.

#include "packageimport.h"
#include "packagerow.h"

#include <QByteArray>
#include <QJsonArray>
#include <QString>
#include <QStringList>

#include <sqlite3.h>

#include <vector>

namespace plain {

// One converted value, bound as it is.
struct Cell
{
    enum Type { Null, Integer, Real, Text } type = Null;
    qint64 integer = 0;
    double real = 0;
    QByteArray text;
};
using Row = std::vector<Cell>;

// Per kind: the statement's table and its columns, each "Column=key:form" with the forms
// t (text), i (integer), b (a number or null), k (a number); a table starting with "-" is a delete
// by those columns.
inline const char *layoutOf(PackageKind kind)
{
    switch (kind) {
    case PackageKind::Report:
        return "T_Report Rpt_ID=id:k Rpt_Code=cd:t Rpt_Imp=im:i Rpt_Exclusive=ex:i Ind_Name=in:t Stk_Code=sc:t "
               "Ins_Name=is:t Anl_List=an:t Rpt_Title=tt:t Rpt_DtPublish=dP:t Rpt_Page_Count=pg:i Rpt_DtEntry=tE:t "
               "Rpt_Type=ty:t Rpt_DtModify=tM:t";
    case PackageKind::Rating:
        return "T_Rating Stk_Code=cd:t Ins_Name=is:t Anl_List=an:t Rpt_DtPublish=dP:t Rat_Recomm=rc:t "
               "Rat_Score=sc:t Rat_Action=ac:t Rat_PrcPub=pP:b Rat_PrcFac=pF:b Rat_PrcLower=pL:b Rat_PrcUpper=pU:b "
               "Rat_PerformShort=fs:b Rat_PerformMiddle=fm:b Rat_New=nw:i Rpt_ID=id:k Rpt_ID_Pre=pr:b "
               "Rpt_DtEntry=tE:t Rat_DtModify=tM:t";
    case PackageKind::Estimate:
        return "T_Estimate Rpt_ID=id:k Est_Period=pr:t Stk_Code=cd:t Est_NetProfit=np:b Est_DtModify=tM:t";
    case PackageKind::Finance:
        return "T_Finance Stk_Code=cd:t Fin_Date=dt:t Blc_3010=blc3010:b Prf_30=prf30:b Prf_5010=prf5010:b "
               "Fin_DtModify=tM:t";
    case PackageKind::Consensus:
        return "T_Consensus Stk_Code=cd:t Cns_Type=tp:t Ins_Count=ic:b Ins_Count_Bull=uc:b Ins_Count_Neutral=nc:b "
               "Ins_Count_Bear=bc:b Rat_Count=rc:b Short_Success=sr:b Middle_Success=mr:b Min_Price_Lower=pL:b "
               "Max_Price_Upper=pU:b Prf_5010_Next_1=p1:b Prf_5010_Next_2=p2:b Prf_5010_Next_3=p3:b CAGR_Next=cn:b "
               "Cns_DtUpdate=dt:t Cns_DtModify=tM:t";
    case PackageKind::Matrix:
        return "T_Matrix Stk_Code=cd:t Mtx_Level=mx:b OPG_TTM=opgttm:b CAGR_Last=cagrlast:b Pre_Type=pre:t "
               "Mtx_DtUpdate=dt:t Mtx_DtModify=tM:t";
    case PackageKind::Ace:
        return "T_Ace Anl_UID=uid:k Ace_Year=yr:i Stk_Count=st:b Rat_Count=rc:b Short_Count=sc:b "
               "Short_SuccessCount=ss:b Short_MaxRise=sx:b Short_MinRise=si:b Short_AvgRise=sa:b Middle_Count=mc:b "
               "Middle_SuccessCount=ms:b Middle_MaxRise=mx:b Middle_MinRise=mi:b Middle_AvgRise=ma:b "
               "Ace_DtUpdate=dt:t Ace_DtModify=tM:t";
    case PackageKind::Stock:
        return "T_Stock Stk_Code=cd:t Stk_Name=nm:t Stk_Spell=sp:t Stk_Quit=qt:i Prc_Date=pD:t Prc_Close=pC:b "
               "Prc_Change=pG:b Prc_Factor=pF:b Stk_Share=sh:b Ind_Name=in:t Prc_Count=pN:b Prc_DtModify=pM:t "
               "Blc_3010_TTM=b3010ttm:b Prf_5010_TTM=p5010ttm:b Stk_DtModify=tM:t";
    case PackageKind::Recommend:
        return "T_Recommend Rpt_ID=id:k Rcm_DtAdd=tA:t Rcm_DtModify=tM:t";
    case PackageKind::Analyst:
        return "T_Analyst Anl_ID=id:k Anl_Name=nm:t Ins_Name=is:t Ind_Name=in:t Anl_Months=mn:i Anl_UID=ui:b "
               "Anl_New=nw:i Anl_DtUpdate=dt:t Anl_DtModify=tM:t";
    case PackageKind::ReportDelete:
        return "-T_Report Rpt_ID=id:k";
    case PackageKind::EstimateDelete:
        return "-T_Estimate Rpt_ID=id:k Est_Period=pr:t";
    case PackageKind::AnalystDelete:
        return "-T_Analyst Anl_ID=id:k";
    case PackageKind::Unknown:
        break;
    }
    return nullptr;
}

struct Statement
{
    QByteArray sql;
    QList<QByteArray> keys;
    QByteArray forms;
};

inline Statement statementOf(PackageKind kind)
{
    Statement s;
    const char *text = layoutOf(kind);
    if (!text)
        return s;
    QStringList entries = QString::fromLatin1(text).split(QLatin1Char(' '));
    QString table = entries.takeFirst();
    const bool remove = table.startsWith(QLatin1Char('-'));
    QStringList columns, marks;
    for (const QString &entry : entries) {
        columns << entry.section(QLatin1Char('='), 0, 0);
        s.keys << entry.section(QLatin1Char('='), 1).section(QLatin1Char(':'), 0, 0).toLatin1();
        s.forms += entry.section(QLatin1Char(':'), 1).toLatin1();
        marks << QStringLiteral("?");
    }
    if (remove)
        s.sql = ("delete from " + table.mid(1) + " where " + columns.join(QLatin1String(" = ? and ")) + " = ?").toUtf8();
    else
        s.sql = ("insert or replace into " + table + " (" + columns.join(QLatin1String(", ")) + ") values ("
                 + marks.join(QLatin1String(", ")) + ")")
                    .toUtf8();
    return s;
}

inline Cell cellOf(const QVariant &value)
{
    Cell c;
    switch (value.userType()) {
    case QMetaType::UnknownType:
        break;
    case QMetaType::Int:
    case QMetaType::LongLong:
        c.type = value.isNull() ? Cell::Null : Cell::Integer;
        c.integer = value.toLongLong();
        break;
    case QMetaType::Double:
        c.type = value.isNull() ? Cell::Null : Cell::Real;
        c.real = value.toDouble();
        break;
    default:
        if (!value.isNull()) {
            c.type = Cell::Text;
            c.text = value.toString().toUtf8();
        }
        break;
    }
    return c;
}

// The rows of a package as the statement binds them; rows the importer would leave out are left out.
inline std::vector<Row> extract(const Statement &s, const QJsonArray &rows)
{
    std::vector<Row> out;
    out.reserve(size_t(rows.size()));
    for (const QJsonValue &value : rows) {
        const PackageRow row(value);
        Row cells;
        bool valid = true;
        for (int i = 0; i < s.keys.size() && valid; ++i) {
            const QByteArray &name = s.keys.at(i);
            const QLatin1String key(name);
            QString text = row.text(key);
            switch (s.forms.at(i)) {
            case 't':
                cells.push_back(cellOf(text));
                break;
            case 'i':
                cells.push_back(cellOf(row.integer(key)));
                break;
            default: {
                // A rating without a previous report names report 0.
                if (name == "pr" && text.isEmpty())
                    text = QStringLiteral("0");
                const BareValue bare = s.forms.at(i) == 'k' ? bareKey(text) : bareValue(text);
                valid = bare.valid;
                cells.push_back(cellOf(bare.value));
                break;
            }
            }
        }
        if (valid)
            out.push_back(std::move(cells));
    }
    return out;
}

// Writes rows with sql in one transaction on handle; false when a statement failed.
inline bool write(sqlite3 *handle, const QByteArray &sql, const std::vector<Row> &rows)
{
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_exec(handle, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK
        || sqlite3_prepare_v2(handle, sql.constData(), -1, &statement, nullptr) != SQLITE_OK)
        return false;
    bool ok = true;
    for (const Row &row : rows) {
        int k = 1;
        for (const Cell &c : row) {
            switch (c.type) {
            case Cell::Null: sqlite3_bind_null(statement, k); break;
            case Cell::Integer: sqlite3_bind_int64(statement, k, c.integer); break;
            case Cell::Real: sqlite3_bind_double(statement, k, c.real); break;
            case Cell::Text: sqlite3_bind_text(statement, k, c.text.constData(), c.text.size(), SQLITE_STATIC); break;
            }
            ++k;
        }
        const int rc = sqlite3_step(statement);
        ok = ok && (rc == SQLITE_DONE || (rc & 0xff) == SQLITE_CONSTRAINT);
        sqlite3_reset(statement);
    }
    sqlite3_finalize(statement);
    return sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK && ok;
}

} // namespace plain
