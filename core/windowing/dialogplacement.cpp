#include "dialogplacement.h"

#include "windowframe.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace {

// Places a dialog shown by showPlaced() once more by the frame its window manager tells: kwin
// tells it only after it has shown the window, the others as they show it, and either comes
// after show() has returned. Once placed by it, the dialog is left where the user moves it.
class PlaceWhenFramed : public QObject
{
public:
    static void arm(QWidget *dialog, Qt::Alignment where, const QWidget *reference)
    {
        auto *placer = dynamic_cast<PlaceWhenFramed *>(dialog->findChild<QObject *>(name(), Qt::FindDirectChildrenOnly));
        if (!placer)
            placer = new PlaceWhenFramed(dialog);
        placer->where = where;
        placer->reference = const_cast<QWidget *>(reference);
        placer->pending = true;
        if (QWindow *window = dialog->windowHandle(); window && window != placer->watched) {
            window->installEventFilter(placer);
            placer->watched = window;
        }
        placer->placeIfFramed();
    }

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (!pending || object != watched)
            return false;
        if (event->type() == QEvent::Hide)
            pending = false;
        else if ((event->type() == QEvent::Expose && watched->isExposed()) || event->type() == frameSetEventType())
            placeIfFramed();
        return false;
    }

private:
    explicit PlaceWhenFramed(QWidget *dialog) : QObject(dialog), dialog(dialog) { setObjectName(name()); }

    static QString name() { return QStringLiteral("placeWhenFramed"); }

    void placeIfFramed()
    {
        const std::optional<QMargins> frame = managedFrame(watched);
        if (!pending || !dialog->isVisible() || !frame)
            return;
        pending = false;
        const QRect area = availableAreaOf(reference ? reference.data() : dialog);
        const QPoint corner = placedPosition(area, dialog->size().grownBy(*frame), where);
        const QRect place(corner + QPoint(frame->left(), frame->top()), dialog->size());
        if (place != dialog->geometry())
            dialog->setGeometry(place);
    }

    QWidget *dialog;
    QPointer<QWidget> reference;
    QPointer<QWindow> watched;
    Qt::Alignment where;
    bool pending = false;
};

} // namespace

QPoint placedPosition(const QRect &available, const QSize &frame, Qt::Alignment where)
{
    const int freeWidth = available.width() - frame.width();
    const int freeHeight = available.height() - frame.height();
    int x = freeWidth / 2;
    if (where & Qt::AlignLeft)
        x = 0;
    else if (where & Qt::AlignRight)
        x = freeWidth;
    int y = freeHeight / 2;
    if (where & Qt::AlignTop)
        y = 0;
    else if (where & Qt::AlignBottom)
        y = freeHeight;
    return available.topLeft() + QPoint(x, y);
}

QRect availableAreaOf(const QWidget *widget)
{
    QScreen *screen = widget ? widget->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void placeDialog(QWidget *dialog, Qt::Alignment where, const QWidget *reference)
{
    const QRect area = availableAreaOf(reference ? reference : dialog);
    dialog->move(placedPosition(area, dialog->frameGeometry().size(), where));
}

void showPlaced(QWidget *dialog, Qt::Alignment where, const QWidget *reference)
{
    // Asked before the window shows, so that the manager's word on its frame reaches it.
    frameSetEventType();
    placeDialog(dialog, where, reference);
    dialog->show();
    placeDialog(dialog, where, reference);
    PlaceWhenFramed::arm(dialog, where, reference);
}
