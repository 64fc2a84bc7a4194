#include "qdlganalyst.h"
#include "ui_qdlganalyst.h"

#include "globalstate.h"
#include "jsonscript.h"

#include <QHeaderView>
#include <QLabel>
#include <QSettings>
#include <QTextCodec>

namespace {

const QString kAwardFile = QStringLiteral(":/xcf.ini");
const QString kTitle = QStringLiteral("新财富最佳分析师");

QSettings *openAwards(QObject *parent)
{
    auto *settings = new QSettings(kAwardFile, QSettings::IniFormat, parent);
    settings->setIniCodec(QTextCodec::codecForName("UTF-8"));
    return settings;
}

QLabel *cellLabel(const QString &text, Qt::Alignment alignment)
{
    auto *label = new QLabel;
    label->setFont(getAppFont());
    label->setAlignment(alignment);
    label->setContextMenuPolicy(Qt::NoContextMenu);
    label->setText(text);
    return label;
}

QLabel *medalLabel(int medal)
{
    static const char *const images[] = {":/images/gold.png", ":/images/silver.png", ":/images/bronze.png"};
    QLabel *label = cellLabel(QString(), Qt::AlignCenter);
    if (medal >= 1 && medal <= 3)
        label->setPixmap(QPixmap(QLatin1String(images[medal - 1])));
    else
        label->setText(QString::number(medal));
    return label;
}

} // namespace

QDlgAnalyst::QDlgAnalyst(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::QDlgAnalyst)
{
    ui->setupUi(this);
    setWindowTitle(kTitle);
    setWindowIcon(QIcon(QStringLiteral(":/logo/logo.png")));
    setWindowFlags(Qt::Window | Qt::WindowCloseButtonHint);

    ui->LblYear->setFont(getAppFont());
    ui->LblYear->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ui->LblYear->setContextMenuPolicy(Qt::NoContextMenu);
    connect(ui->LblYear, &QLabel::linkActivated, this, &QDlgAnalyst::showAnalyst);

    QTableWidget *table = ui->TblAnalystList;
    table->setColumnCount(4);
    table->setHorizontalHeaderLabels({QString(), QStringLiteral("名次"), QStringLiteral("机构"),
                                      QStringLiteral("分析师")});
    const int widths[] = {120, 50, 90, 450};
    for (int column = 0; column < 4; ++column)
        table->setColumnWidth(column, widths[column]);
    table->horizontalHeader()->setSectionsClickable(false);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    QPalette palette;
    palette.setColor(QPalette::Base, getBaseColor());
    palette.setColor(QPalette::AlternateBase, getAlternateBaseColor());
    table->setPalette(palette);
    table->setAlternatingRowColors(true);

    loadYearLinks();
    showAnalyst(m_year);
}

QDlgAnalyst::~QDlgAnalyst()
{
    delete ui;
}

QString QDlgAnalyst::analystLinks(const QString &anls)
{
    QString links;
    for (const QString &part : anls.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        QString name = part;
        QString id;
        const int open = part.indexOf(QLatin1Char('['));
        if (open >= 0) {
            name = part.left(open);
            const int close = part.indexOf(QLatin1Char(']'));
            id = close > open ? part.mid(open + 1, close - open - 1) : part.mid(open + 1);
        }
        if (!links.isEmpty())
            links += QStringLiteral(" , ");
        links += QStringLiteral("<a style='color:black;' href='") + id.toHtmlEscaped() + QStringLiteral("'>")
                 + name.toHtmlEscaped() + QStringLiteral("</a>");
    }
    return links;
}

void QDlgAnalyst::showReportOfInst(const QString &institution)
{
    emit showReportListOfInst(institution);
}

void QDlgAnalyst::showReportOfAnls(const QString &analystId)
{
    emit showReportListOfAnls(analystId);
}

void QDlgAnalyst::loadYearLinks()
{
    QSettings *awards = openAwards(this);
    QString bar;
    for (const QString &year : awards->childGroups()) {
        m_year = year;
        if (!bar.isEmpty())
            bar += QStringLiteral("&nbsp;");
        bar += QStringLiteral("<a href='") + year.toHtmlEscaped() + QStringLiteral("'>") + year.toHtmlEscaped()
               + QStringLiteral("</a>");
    }
    delete awards;
    ui->LblYear->setText(bar);
}

void QDlgAnalyst::loadYearEntries(const QString &year)
{
    m_entries.clear();
    QSettings *awards = openAwards(this);
    awards->beginGroup(year);
    for (const QString &key : awards->childKeys())
        m_entries.append({key, awards->value(key).toString()});
    awards->endGroup();
    delete awards;
}

void QDlgAnalyst::showAnalyst(const QString &year)
{
    ui->TblAnalystList->setRowCount(0);
    ui->TblAnalystList->clearSpans();
    loadYearEntries(year);
    JsonScript json;
    for (const auto &entry : qAsConst(m_entries))
        addCategory(json.parse(entry.second));
    setWindowTitle(year + kTitle);
}

void QDlgAnalyst::addCategory(const QScriptValue &category)
{
    QTableWidget *table = ui->TblAnalystList;
    const QString title = jsonText(category, QStringLiteral("cat"));
    const QScriptValue insts = category.property(QStringLiteral("insts"));
    const int first = table->rowCount();
    const int count = jsonLength(insts);
    for (int i = 0; i < count; ++i) {
        const QScriptValue inst = jsonElement(insts, i);
        const int row = table->rowCount();
        table->insertRow(row);
        table->setVerticalHeaderItem(row, new QTableWidgetItem(QString()));

        auto *titleItem = new QTableWidgetItem(title);
        titleItem->setData(Qt::TextAlignmentRole, int(Qt::AlignHCenter | Qt::AlignVCenter));
        table->setItem(row, 0, titleItem);
        if (row > first)
            table->setSpan(first, 0, row - first + 1, 1);

        table->setItem(row, 1, new QTableWidgetItem(QString()));
        table->setCellWidget(row, 1, medalLabel(jsonInt(inst, QStringLiteral("medal"))));

        table->setItem(row, 2, new QTableWidgetItem(QString()));
        QLabel *name = cellLabel(QString(), Qt::AlignCenter);
        name->setTextFormat(Qt::PlainText);
        name->setText(jsonText(inst, QStringLiteral("inst")));
        table->setCellWidget(row, 2, name);

        table->setItem(row, 3, new QTableWidgetItem(QString()));
        QLabel *analysts = cellLabel(analystLinks(jsonText(inst, QStringLiteral("anls"))), Qt::Alignment());
        connect(analysts, &QLabel::linkActivated, this, &QDlgAnalyst::showReportOfAnls);
        table->setCellWidget(row, 3, analysts);
    }
}
