#include "qcomplexheadermodel.h"
#include "qcomplexheaderview.h"

#include <QProxyStyle>
#include <QStandardItem>
#include <QTableWidget>
#include <QtTest>

namespace {

QString describe(const QString &caption, const QRect &r)
{
    return QStringLiteral("%1 %2+%3 %4+%5").arg(caption).arg(r.left()).arg(r.width()).arg(r.top()).arg(r.height());
}

// Records every header cell the view draws: "caption left+width top+height".
class RecordingStyle : public QProxyStyle
{
public:
    mutable QStringList cells;

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override
    {
        if (element == CE_Header) {
            const auto *header = qstyleoption_cast<const QStyleOptionHeader *>(option);
            cells << describe(header->text, header->rect);
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

// A caption with its children as the columns of its row 0.
QStandardItem *item(const QString &caption, const QList<QStandardItem *> &children = {})
{
    auto *item = new QStandardItem(caption);
    for (QStandardItem *child : children)
        item->insertColumn(item->columnCount(), {child});
    return item;
}

} // namespace

class TestComplexHeader : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTableWidget> m_table;
    std::unique_ptr<QComplexHeaderModel> m_model;
    QComplexHeaderView *m_view = nullptr;
    RecordingStyle *m_style = nullptr;

    // A | G { B, H { C, D } } | E, leaves A0 B1 C2 D3 E4, with `columns` table columns.
    void build(int columns, const QString &captionB = QStringLiteral("B"))
    {
        m_table.reset(new QTableWidget(1, columns));
        m_model.reset(new QComplexHeaderModel);
        m_model->setColumnCount(columns);
        m_model->setItem(0, item("A"));
        m_model->setItem(1, item("G", {item(captionB), item("H", {item("C"), item("D")})}));
        m_model->setItem(2, item("E"));
        m_view = new QComplexHeaderView(Qt::Horizontal);
        m_view->setModel(m_model.get());
        m_style = new RecordingStyle;
        m_style->setParent(m_view);
        m_view->setStyle(m_style);
        m_table->setHorizontalHeader(m_view);
        for (int c = 0; c < columns; ++c)
            m_table->setColumnWidth(c, 50 + 10 * c);
        m_table->resize(600, 300);
        m_table->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_table.get()));
    }

    // Each cell drawn, once, sorted.
    QStringList paintedCells()
    {
        m_style->cells.clear();
        m_view->grab();
        QStringList cells = m_style->cells;
        cells.removeDuplicates();
        cells.sort();
        return cells;
    }

    // The description of a cell over sections first..last and the levels given, h high each.
    QString cell(const char *caption, int first, int last, int level, int levels, int h)
    {
        int width = 0;
        for (int s = first; s <= last; ++s)
            width += m_view->sectionSize(s);
        return describe(caption, QRect(m_view->sectionViewportPosition(first), level * h, width, levels * h));
    }

    int cellHeight(const QString &caption)
    {
        QFont bold = m_view->font();
        bold.setWeight(QFont::Bold);
        const QFontMetrics metrics(bold);
        QStyleOptionHeader option;
        option.initFrom(m_view);
        return m_style->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), m_view).height()
               + metrics.size(0, caption).height() - metrics.size(0, QString()).height();
    }

private slots:
    void cleanup()
    {
        m_table.reset();
        m_model.reset();
    }

    // A group spans its leaves and is drawn in the same place for each of them; the last caption
    // of a chain reaches the bottom; a section without a leaf is a plain full-height section.
    void groupsSpanTheirLeaves()
    {
        build(6);
        const int h = cellHeight("A");
        QStringList expected = {cell("A", 0, 0, 0, 3, h), cell("G", 1, 3, 0, 1, h), cell("B", 1, 1, 1, 2, h),
                                cell("H", 2, 3, 1, 1, h), cell("C", 2, 2, 2, 1, h), cell("D", 3, 3, 2, 1, h),
                                cell("E", 4, 4, 0, 3, h), cell("6", 5, 5, 0, 3, h)};
        expected.sort();
        QCOMPARE(paintedCells(), expected);
        QCOMPARE(m_view->height(), 3 * h);

        // A model that answers the tree role with nothing gets plain sections.
        m_view->setModel(new QStandardItemModel(1, 3, m_table.get()));
        m_table->setHorizontalHeader(m_view);
        const int full = m_view->height();
        expected = QStringList{cell("1", 0, 0, 0, full, 1), cell("2", 1, 1, 0, full, 1), cell("3", 2, 2, 0, full, 1)};
        QCOMPARE(paintedCells(), expected);
    }

    void heightIsTheTallestChain_data()
    {
        QTest::addColumn<QString>("captionB");
        QTest::newRow("one-line captions") << QStringLiteral("B");
        QTest::newRow("two-line caption") << QStringLiteral("市盈率\nTTM");
        QTest::newRow("four-line caption: taller than three levels") << QStringLiteral("a\nb\nc\nd");
    }

    void heightIsTheTallestChain()
    {
        QFETCH(QString, captionB);
        build(5, captionB);
        const int threeLevels = cellHeight("G") + cellHeight("H") + cellHeight("D");
        const int underB = cellHeight("G") + cellHeight(captionB);
        QCOMPARE(m_view->sizeHint().height(), qMax(threeLevels, underB));
    }
};

QTEST_MAIN(TestComplexHeader)
#include "tst_complexheader.moc"
