#include "qcomplexheadermodel.h"
#include "qcomplexheaderview.h"

#include <QProxyStyle>
#include <QSignalSpy>
#include <QStandardItem>
#include <QTableWidget>
#include <QtTest>

namespace {

struct DrawnCell
{
    QString text;
    QRect rect;
};

// Records every header cell the view draws, with its caption and rectangle.
class RecordingStyle : public QProxyStyle
{
public:
    QList<DrawnCell> cells;

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override
    {
        if (element == CE_Header) {
            const auto *header = qstyleoption_cast<const QStyleOptionHeader *>(option);
            const_cast<RecordingStyle *>(this)->cells.append({header->text, header->rect});
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

QStandardItem *group(const QString &caption, const QList<QStandardItem *> &children)
{
    auto *item = new QStandardItem(caption);
    for (QStandardItem *child : children)
        item->insertColumn(item->columnCount(), {child});
    return item;
}

QStandardItem *leaf(const QString &caption) { return new QStandardItem(caption); }

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
        m_model->setItem(0, leaf("A"));
        m_model->setItem(1, group("G", {leaf(captionB), group("H", {leaf("C"), leaf("D")})}));
        m_model->setItem(2, leaf("E"));
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

    QList<DrawnCell> paintedCells()
    {
        m_style->cells.clear();
        m_view->grab();
        return m_style->cells;
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

    void groupsSpanTheirLeaves_data()
    {
        QTest::addColumn<int>("section");
        QTest::addColumn<QStringList>("chain");
        QTest::addColumn<QList<int>>("firstSections");
        QTest::addColumn<QList<int>>("spans");

        QTest::newRow("top-level leaf") << 0 << QStringList{"A"} << QList<int>{0} << QList<int>{1};
        QTest::newRow("first child") << 1 << QStringList{"G", "B"} << QList<int>{1, 1} << QList<int>{3, 1};
        QTest::newRow("third level") << 3 << QStringList{"G", "H", "D"} << QList<int>{1, 2, 3}
                                     << QList<int>{3, 2, 1};
        QTest::newRow("last top-level") << 4 << QStringList{"E"} << QList<int>{4} << QList<int>{1};
    }

    void groupsSpanTheirLeaves()
    {
        QFETCH(int, section);
        QFETCH(QStringList, chain);
        QFETCH(QList<int>, firstSections);
        QFETCH(QList<int>, spans);
        build(5);

        const int middle = m_view->sectionViewportPosition(section) + m_view->sectionSize(section) / 2;
        QList<DrawnCell> cells;
        for (const DrawnCell &cell : paintedCells()) {
            if (cell.rect.left() <= middle && cell.rect.right() >= middle)
                cells.append(cell);
        }
        QStringList texts;
        int top = 0;
        for (int i = 0; i < chain.size(); ++i) {
            auto it = std::find_if(cells.begin(), cells.end(), [&](const DrawnCell &c) { return c.text == chain[i]; });
            QVERIFY2(it != cells.end(), qPrintable(chain[i]));
            // A group is drawn again for each of its leaves, always in the same place.
            for (const DrawnCell &again : qAsConst(cells)) {
                if (again.text == it->text)
                    QCOMPARE(again.rect, it->rect);
            }
            texts << it->text;
            QCOMPARE(it->rect.left(), m_view->sectionViewportPosition(firstSections[i]));
            int width = 0;
            for (int s = firstSections[i]; s < firstSections[i] + spans[i]; ++s)
                width += m_view->sectionSize(s);
            QCOMPARE(it->rect.width(), width);
            QCOMPARE(it->rect.top(), top);
            top = it->rect.bottom() + 1;
        }
        QCOMPARE(texts, chain);
        QCOMPARE(top, m_view->height());
    }

    void heightIsTheTallestChain_data()
    {
        QTest::addColumn<QString>("captionB");
        QTest::newRow("one-line captions") << QStringLiteral("B");
        QTest::newRow("two-line caption") << QStringLiteral("市盈率\nTTM");
        QTest::newRow("four-line caption") << QStringLiteral("a\nb\nc\nd");
    }

    void heightIsTheTallestChain()
    {
        QFETCH(QString, captionB);
        build(5, captionB);
        const int threeLevels = cellHeight("G") + cellHeight("H") + cellHeight("D");
        const int underB = cellHeight("G") + cellHeight(captionB);
        QCOMPARE(m_view->sizeHint().height(), qMax(threeLevels, underB));
    }

    void clickOnGroupReportsTheLeafBeneath()
    {
        build(5);
        m_view->setSectionsClickable(true);
        QSignalSpy clicked(m_view, &QHeaderView::sectionClicked);
        const QPoint aboveC(m_view->sectionViewportPosition(2) + 5, 3);
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, aboveC);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.first().first().toInt(), 2);
    }

    void plainSectionsWithoutTree_data()
    {
        QTest::addColumn<bool>("treeless");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("plainSection");
        QTest::newRow("beyond the last leaf") << false << 6 << 5;
        QTest::newRow("model without tree") << true << 3 << 1;
    }

    void plainSectionsWithoutTree()
    {
        QFETCH(bool, treeless);
        QFETCH(int, columns);
        QFETCH(int, plainSection);
        build(columns);
        if (treeless) {
            // A model that answers the tree role with nothing.
            auto *plain = new QStandardItemModel(1, columns, m_table.get());
            m_view->setModel(plain);
            m_table->setHorizontalHeader(m_view);
        }
        const QString number = QString::number(plainSection + 1);
        const QList<DrawnCell> cells = paintedCells();
        auto it = std::find_if(cells.begin(), cells.end(), [&](const DrawnCell &c) { return c.text == number; });
        QVERIFY(it != cells.end());
        QCOMPARE(it->rect.height(), m_view->height());
    }
};

QTEST_MAIN(TestComplexHeader)
#include "tst_complexheader.moc"
