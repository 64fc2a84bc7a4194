#pragma once

// The keys that the main window handles itself, decided apart from the window so that each
// case can be checked on its own.

#include <QEvent>
#include <QString>

// The maximised window of the main window's area, as far as the keys care.
enum class ShownWindow { ReportList, RatingList, ConsensusList, MatrixList, Chart, Other };

struct KeyCommand
{
    enum Effect {
        PassOn,           // the event goes its usual way
        Consume,          // the event ends here without effect
        ReportOfStock,    // the stock slots and the chart, with argument
        RatingOfStock,
        ConsensusOfStock,
        MatrixOfStock,
        ChartOfStock,
        ShowLastList,
        CloseWindow,
        GoBack,
        ZoomIn,
        ZoomOut,
    };
    Effect effect;
    QString argument;
};

// What a key event of type (press or release) does: letters and digits (typed plainly or
// with Shift) start the stock lookup of the list on screen with the typed text; Escape leaves the chart, goes back or
// closes the window; releasing Up or Down zooms the chart; releasing PageUp or PageDown steps
// the chart (showing chartCode) through the current stock list.
KeyCommand keyCommand(QEvent::Type type, int key, const QString &text, ShownWindow shown,
                      int historyDepth, const QString &chartCode,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier);
