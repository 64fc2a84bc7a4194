#include "qlinklabel.h"

#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

class TestLinkLabel : public QObject
{
    Q_OBJECT

private slots:
    void leftClickEmits_data();
    void leftClickEmits();
    void hoverUnderlinesAndKeepsWeight();
    void notClickableStaysPlain();
    void setBoldFalseGivesNormalWeight();
    void clickInTableSelectsRowFirst();
};

void TestLinkLabel::leftClickEmits_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("clickable");
    QTest::addColumn<int>("emitted");
    QTest::newRow("left") << int(Qt::LeftButton) << true << 1;
    QTest::newRow("right") << int(Qt::RightButton) << true << 0;
    QTest::newRow("middle") << int(Qt::MiddleButton) << true << 0;
    QTest::newRow("left, not clickable") << int(Qt::LeftButton) << false << 0;
}

void TestLinkLabel::leftClickEmits()
{
    QFETCH(int, button);
    QFETCH(bool, clickable);
    QFETCH(int, emitted);
    QLinkLabel label;
    label.setText(QStringLiteral("中信证券"));
    label.setClickable(clickable);
    QSignalSpy clicked(&label, &QLinkLabel::clicked);
    QTest::mouseClick(&label, Qt::MouseButton(button));
    QCOMPARE(clicked.count(), emitted);
}

void TestLinkLabel::hoverUnderlinesAndKeepsWeight()
{
    QLinkLabel label;
    label.setBold(true);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(&label, &enter);
    QVERIFY(label.font().underline());
    QCOMPARE(label.font().weight(), int(QFont::Bold));
    QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&label, &leave);
    QVERIFY(!label.font().underline());
    QCOMPARE(label.font().weight(), int(QFont::Bold));
    QCOMPARE(label.cursor().shape(), Qt::ArrowCursor);
    QVERIFY(label.testAttribute(Qt::WA_SetCursor)); // set explicitly, not unset
}

void TestLinkLabel::notClickableStaysPlain()
{
    QLinkLabel label;
    label.setClickable(false);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(&label, &enter);
    QVERIFY(!label.font().underline());
    QVERIFY(!label.testAttribute(Qt::WA_SetCursor));
}

void TestLinkLabel::setBoldFalseGivesNormalWeight()
{
    QLinkLabel label;
    label.setBold(true);
    label.setBold(false);
    QCOMPARE(label.font().weight(), int(QFont::Normal));
}

void TestLinkLabel::clickInTableSelectsRowFirst()
{
    // In a cell the press reaches the table, which makes the row current before clicked();
    // clicked() comes before the table's own clicked(QModelIndex).
    QTableWidget table(3, 2);
    table.resize(300, 200);
    QStringList order;
    int currentAtClick = -1;
    QLinkLabel *label = nullptr;
    for (int r = 0; r < 3; ++r) {
        table.setItem(r, 0, new QTableWidgetItem);
        auto *l = new QLinkLabel(&table);
        l->setText(QStringLiteral("row %1").arg(r));
        table.setCellWidget(r, 0, l);
        if (r == 2)
            label = l;
        connect(l, &QLinkLabel::clicked, this, [&] {
            order << QStringLiteral("label");
            currentAtClick = table.currentRow();
        });
    }
    connect(&table, &QTableWidget::clicked, this, [&] { order << QStringLiteral("table"); });
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));

    QTest::mouseClick(label, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(currentAtClick, 2);
    QCOMPARE(order, (QStringList{QStringLiteral("label"), QStringLiteral("table")}));

    // A right click selects the row under the label too, and emits nothing.
    order.clear();
    table.setCurrentCell(0, 0);
    QTest::mouseClick(label, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(table.currentRow(), 2);
    QVERIFY(!order.contains(QStringLiteral("label")));
}

QTEST_MAIN(TestLinkLabel)
#include "tst_linklabel.moc"
