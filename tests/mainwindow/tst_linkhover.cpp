// A link deleted with the pointer on it, alone or with the window it lies in, over another link:
// the link beneath hears the pointer come while the deleted one is half destroyed. The link
// beneath then shows the hover look, and the deleted one hears nothing more of it.

#include "listpointer.h"
#include "managerdisplay.h"
#include "paintedpixels.h"
#include "qlinklabel.h"

// The display this test runs on, set before the application is made.
const ManagerDisplay *display = nullptr;

namespace {

// The changes of its look a label hears once it is being deleted, as "font" and "cursor".
class LookWhileDeleted : public QObject
{
public:
    explicit LookWhileDeleted(QWidget *label) { label->installEventFilter(this); }
    bool deleting = false;
    QStringList heard;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (deleting && event->type() == QEvent::FontChange)
            heard << QStringLiteral("font");
        if (deleting && event->type() == QEvent::CursorChange)
            heard << QStringLiteral("cursor");
        return false;
    }
};

} // namespace

class TestLinkHover : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(display->running && QGuiApplication::platformName() == QLatin1String("xcb"),
                 ManagerDisplay::needed());
    }

    void linkBeneathTakesTheHoverFromADeletedOne_data()
    {
        QTest::addColumn<bool>("withItsWindow");
        QTest::newRow("the link") << false;
        QTest::newRow("the window it lies in") << true;
    }

    void linkBeneathTakesTheHoverFromADeletedOne()
    {
        QFETCH(bool, withItsWindow);
        QWidget top;
        top.resize(320, 120);
        const QRect place(20, 30, 200, 40);
        auto *beneath = new QLinkLabel(&top);
        beneath->setGeometry(place);
        beneath->setCell(QStringLiteral("the link beneath"), top.font(), true);
        // A window of its own over the link beneath, as a list window lies in the main window.
        QWidget *window = &top;
        if (withItsWindow) {
            window = new QWidget(&top);
            window->setGeometry(10, 10, 300, 100);
        }
        auto *link = new QLinkLabel(window);
        link->setGeometry(place.translated(window->mapFrom(&top, QPoint(0, 0))));
        link->setCell(QStringLiteral("the link on top"), top.font(), true);
        link->setAutoFillBackground(true);
        top.show();
        QVERIFY(QTest::qWaitForWindowExposed(&top));
        QVERIFY(pointAt(link));
        QTRY_VERIFY(paintedUnderline(link->grab().toImage()));

        LookWhileDeleted look(link);
        look.deleting = true;
        delete (withItsWindow ? window : link);
        QCOMPARE(look.heard.join(' '), QString());
        QVERIFY(beneath->underMouse());
        QTRY_VERIFY(paintedUnderline(beneath->grab().toImage()));
    }
};

MANAGER_TEST_MAIN(TestLinkHover, QApplication)

#include "tst_linkhover.moc"
