#pragma once

#include "qcelllabel.h"

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

    void setBold(const bool &bold);
    // A label kept from page to page may lie under the pointer when it turns into a link or
    // stops being one: it then looks as a new label there would.
    void setClickable(const bool &clickable);
    void setUnderline(const bool &underline);
    // The row's font, underlined while the pointer is over the link.
    void setRowFont(const QFont &font);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    bool m_pressed = false;
    bool m_clickable = true;
};
