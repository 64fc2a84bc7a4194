#pragma once

// Places a window again by the frame its window manager tells (managedFrame). A manager frames
// a window only on its way to the screen and tells the frame before mapping it or, kwin, after;
// placed without it, the window would stand off by its title bar. The window's owner says where
// it goes for a frame, and the rule says until when it is placed.

#include <QMargins>
#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class QWidget;
class QWindow;

class PlaceByFrame : public QObject
{
    Q_OBJECT

public:
    // Places the widget's window for a frame of these margins (zero while none is told).
    using Place = std::function<void(const QMargins &frame)>;

    enum Rule {
        // Placed once, as soon as the frame of the showing awaited is told.
        OnceFramed,
        // Placed as it shows, by what is told so far, then at each word of the manager (exposed,
        // frame told, moved or resized) until it is exposed with its frame told: left where the
        // user moves it from then on.
        UntilSettled,
    };

    // A child of the widget.
    PlaceByFrame(QWidget *widget, Rule rule, Place place);

    void setPlace(Place place) { this->place = std::move(place); }

    // Awaits the frame of this showing (OnceFramed), placing the window at once when it is told
    // already. Hidden, the window awaits it no more.
    void await();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watchWindow();
    void heard();
    void placeFor(const std::optional<QMargins> &frame);

    QWidget *widget;
    Rule rule;
    Place place;
    QPointer<QWindow> window;
    bool awaiting = false;
    bool placing = false;
};
