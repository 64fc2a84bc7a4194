#include "centreover.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace {

// How long after showing the frame may still change, and how often it is looked at meanwhile.
constexpr int kSettleMs = 3000;
constexpr int kLookMs = 50;

class CentreOver : public QObject
{
public:
    CentreOver(QWidget *dialog, QWidget *anchor)
        : QObject(dialog)
        , dialog(dialog)
        , anchor(anchor)
    {
        dialog->installEventFilter(this);
        timer.setInterval(kLookMs);
        connect(&timer, &QTimer::timeout, this, [this] {
            looks -= 1;
            if (centre() || looks <= 0)
                timer.stop();
        });
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == dialog && event->type() == QEvent::Show) {
            centre();
            looks = kSettleMs / kLookMs;
            timer.start();
        }
        return false;
    }

private:
    // True once the dialog stands centred with a frame the window manager has given it.
    bool centre()
    {
        if (!anchor || !anchor->isVisible())
            return true;
        const QPoint offset = anchor->frameGeometry().center() - dialog->frameGeometry().center();
        if (!offset.isNull())
            dialog->move(dialog->pos() + offset);
        return offset.isNull() && dialog->frameGeometry() != dialog->geometry();
    }

    QWidget *dialog;
    QPointer<QWidget> anchor;
    QTimer timer;
    int looks = 0;
};

} // namespace

void centreOverWhenShown(QWidget *dialog, QWidget *anchor)
{
    new CentreOver(dialog, anchor);
}
