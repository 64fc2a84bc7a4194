#pragma once

#include "qcelllabel.h"

#include <QPointer>

// A label that acts as a link inside a table cell: a left click emits clicked(), and while
// the pointer is over it the text is underlined under a pointing hand. Every mouse event is
// passed on (ignored), so the table beneath selects the row under the label and emits its
// own clicked(QModelIndex) before clicked() arrives; owners read the row from the table's
// current row. A link's double-click is its one click: the second click is kept from both.
class QLinkLabel : public QCellLabel
{
    Q_OBJECT

public:
    explicit QLinkLabel(QWidget *parent = nullptr);
    ~QLinkLabel() override;

    // All a page shows in the cell of a label kept from the page before: the text, the row's
    // font, whether it is a link, the tool tip; the hover look only while the pointer is on it.
    // The colour (liststyle.h's setTextColor) goes before it: each change after the text lays
    // the text out again.
    void setCell(const QString &text, const QFont &font, bool clickable, const QString &toolTip = QString());
    void setBold(const bool &bold);
    // A label kept from page to page may lie under the pointer when it turns into a link or
    // stops being one: it then looks as a new label there would.
    void setClickable(const bool &clickable);

    // A context menu holds the pointer while it is open, so the link it was opened on hears
    // nothing of the pointer leaving: the link that shows the hover look loses it unless the
    // pointer is on it now. Called before a page refills kept labels.
    static void settleHover();

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    // The row's font, underlined while the pointer is over the link.
    void setRowFont(const QFont &font);
    void setHovered(bool hovered);
    // Underline and pointer shape for the hover state and clickability.
    void showHover();

    // The pointer is over one widget at a time: the one link that shows the hover look.
    static QPointer<QLinkLabel> s_hovered;

    bool m_pressed = false;
    bool m_clickable = true;
    bool m_hovered = false;
    bool m_handShown = false;
};
