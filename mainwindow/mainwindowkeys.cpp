#include "mainwindowkeys.h"

#include "stockstepping.h"

namespace {

bool isLetterOrDigit(int key)
{
    return (key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9);
}

// Ctrl, Alt or Meta with a letter is a command (Ctrl+C, a shortcut whose window lost the
// focus), not a stock code: its text is a control character.
bool isCommandChord(Qt::KeyboardModifiers modifiers)
{
    return modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}

KeyCommand pressCommand(int key, const QString &text, ShownWindow shown, int historyDepth,
                        Qt::KeyboardModifiers modifiers)
{
    if (isLetterOrDigit(key) && isCommandChord(modifiers))
        return {KeyCommand::PassOn, QString()};
    if (isLetterOrDigit(key)) {
        switch (shown) {
        case ShownWindow::ReportList:
            return {KeyCommand::ReportOfStock, text};
        case ShownWindow::RatingList:
            return {KeyCommand::RatingOfStock, text};
        case ShownWindow::ConsensusList:
            return {KeyCommand::ConsensusOfStock, text};
        case ShownWindow::MatrixList:
            return {KeyCommand::MatrixOfStock, text};
        case ShownWindow::Chart:
            return {KeyCommand::ChartOfStock, text};
        case ShownWindow::Other:
            break;
        }
        // The analyst ranking and the quotes have no list of one stock.
        return {KeyCommand::Consume, QString()};
    }
    if (key != Qt::Key_Escape)
        return {KeyCommand::PassOn, QString()};
    if (shown == ShownWindow::Chart)
        return {KeyCommand::ShowLastList, QString()};
    if (historyDepth <= 1)
        return {KeyCommand::CloseWindow, QString()};
    return {KeyCommand::GoBack, QString()};
}

KeyCommand releaseCommand(int key, ShownWindow shown, const QString &chartCode)
{
    switch (key) {
    case Qt::Key_Up:
        return {KeyCommand::ZoomIn, QString()};
    case Qt::Key_Down:
        return {KeyCommand::ZoomOut, QString()};
    case Qt::Key_PageUp:
        if (shown == ShownWindow::Chart)
            return {KeyCommand::ChartOfStock, getPreviousStockCode(chartCode)};
        return {KeyCommand::Consume, QString()};
    case Qt::Key_PageDown:
        if (shown == ShownWindow::Chart)
            return {KeyCommand::ChartOfStock, getNextStockCode(chartCode)};
        return {KeyCommand::Consume, QString()};
    default:
        return {KeyCommand::PassOn, QString()};
    }
}

} // namespace

KeyCommand keyCommand(QEvent::Type type, int key, const QString &text, ShownWindow shown,
                      int historyDepth, const QString &chartCode, Qt::KeyboardModifiers modifiers)
{
    if (type == QEvent::KeyPress)
        return pressCommand(key, text, shown, historyDepth, modifiers);
    if (type == QEvent::KeyRelease)
        return releaseCommand(key, shown, chartCode);
    return {KeyCommand::PassOn, QString()};
}
