#include "mainwindowtest.h"

#include "qwinmain.h"
#include "userlists.h"

#include <QMdiArea>
#include <QMenu>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>

namespace {

QToolButton *buttonOf(QStackedWidget *sidebar, int page, const QString &text)
{
    for (QToolButton *button : sidebar->widget(page)->findChildren<QToolButton *>()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

} // namespace

// What the side bar looks like, with the program's style sheet, after the user has used it.
class TestSidebarLook : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QScopedPointer<QWinMain> window;

private slots:
    void initTestCase()
    {
        QFile skin(qEnvironmentVariable("TAMREL_SOURCE_DIR") + QStringLiteral("/app/skin.qss"));
        QVERIFY2(skin.open(QIODevice::ReadOnly), qPrintable(skin.fileName()));
        qApp->setStyleSheet(QString::fromUtf8(skin.readAll()));
        QVERIFY(prepareMainDatabase(dir));
        // A followed institution puts "全部关注" into the institution menus.
        QVERIFY(addToConcernedInstList(QStringLiteral("中信证券")));
        window.reset(new QWinMain);
        window->resize(1000, 700);
        QVERIFY(showExposed(*window));
        QApplication::setActiveWindow(window.data());
    }

    void cleanupTestCase() { window.reset(); }

    void noSelectionAfterAMenu_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("entry");
        QTest::newRow("report page, menu button") << 0 << "机构" << "全部关注";
        QTest::newRow("report page, split button's arrow") << 0 << "宏观" << "中国宏观";
        QTest::newRow("rating page, menu button") << 1 << "评级" << "看多";
        QTest::newRow("rating page, another menu button") << 1 << "调整" << "上调";
        QTest::newRow("consensus page, menu button") << 2 << "市场" << "沪市";
    }

    // The user opens a button's menu with the mouse, picks an entry and moves on: the button
    // looks as it did before, and as its untouched neighbour does.
    void noSelectionAfterAMenu()
    {
        QFETCH(int, page);
        QFETCH(QString, button);
        QFETCH(QString, entry);
        auto *sidebar = window->findChild<QStackedWidget *>(QStringLiteral("stkSidebar"));
        sidebar->setCurrentIndex(page);
        QToolButton *target = buttonOf(sidebar, page, button);
        QVERIFY(target && target->menu());
        QWidget *elsewhere = window->findChild<QMdiArea *>();
        QTest::mouseMove(elsewhere, QPoint(200, 200));
        const QImage before = target->grab().toImage();

        bool picked = false;
        QTimer::singleShot(100, [&] {
            QMenu *menu = target->menu();
            for (QAction *action : menu->actions()) {
                if (action->text() != entry)
                    continue;
                const QPoint at = menu->actionGeometry(action).center();
                QTest::mouseMove(menu, at);
                QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, at);
                picked = true;
            }
            if (menu->isVisible())
                menu->close();
        });
        // The arrow of a split button sits at its right edge.
        const QPoint press = target->popupMode() == QToolButton::MenuButtonPopup
                                 ? QPoint(target->width() - 4, target->height() / 2)
                                 : target->rect().center();
        QTest::mouseMove(target, press);
        QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, press);
        QTRY_VERIFY(picked);
        QTRY_VERIFY(!target->menu()->isVisible());
        QTest::mouseMove(elsewhere, QPoint(220, 220));
        QTest::qWait(50);
        QCOMPARE(target->grab().toImage(), before);
    }
};

QTEST_MAIN(TestSidebarLook)
#include "tst_sidebarlook.moc"
