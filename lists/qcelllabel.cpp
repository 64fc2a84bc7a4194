#include "qcelllabel.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QPainter>
#include <QTextDocument>

QCellLabel::QCellLabel(QWidget *parent)
    : QLabel(parent)
{
}

QCellLabel::~QCellLabel() = default;

void QCellLabel::setPicture(const QString &path)
{
    const QPixmap shown = pixmap(Qt::ReturnByValue);
    // The picture of the file still shown (no other content came in between) stays: loading the
    // file again cost more than the rest of a row's fill.
    if (!path.isEmpty() && path == m_picturePath && shown.cacheKey() == m_pictureKey)
        return;
    m_picturePath = path;
    if (!path.isEmpty()) {
        setPixmap(QPixmap(path));
        m_pictureKey = pixmap(Qt::ReturnByValue).cacheKey();
    } else if (!shown.isNull()) {
        clear();
    }
}

bool QCellLabel::paintRichText()
{
    const QString shown = text();
    const bool rich = textFormat() == Qt::RichText || (textFormat() == Qt::AutoText && Qt::mightBeRichText(shown));
    if (shown.isEmpty() || !rich || frameWidth() > 0 || indent() >= 0
        || (textInteractionFlags() & (Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard | Qt::TextEditable)))
        return false;

    // As QLabel places and lays out its document: the contents less the margin, the label's
    // alignment and wrapping, no document margin.
    const QRect contents = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const int alignAndWrap = int(alignment()) | (wordWrap() ? int(Qt::TextWordWrap) : 0);
    if (!m_document || m_documentText != shown || m_documentFont != font() || m_documentWidth != contents.width()
        || m_documentAlignment != alignAndWrap) {
        // Everything set before the text and before the layout exists: it is laid out once.
        m_document = std::make_unique<QTextDocument>();
        m_document->setUndoRedoEnabled(false);
        m_document->setDefaultFont(font());
        QTextOption option = m_document->defaultTextOption();
        option.setAlignment(alignment());
        option.setWrapMode(wordWrap() ? QTextOption::WordWrap : QTextOption::ManualWrap);
        m_document->setDefaultTextOption(option);
        // No margin, as QLabel gives its root frame; set on the document, as the text comes in a
        // root frame made anew.
        m_document->setDocumentMargin(0);
        m_document->setTextWidth(contents.width());
        m_document->setHtml(shown);
        m_documentText = shown;
        m_documentFont = font();
        m_documentWidth = contents.width();
        m_documentAlignment = alignAndWrap;
    }

    const qreal height = m_document->documentLayout()->documentSize().height();
    qreal top = 0;
    if (alignment() & Qt::AlignVCenter)
        top = qMax((contents.height() - height) / 2, qreal(0));
    else if (alignment() & Qt::AlignBottom)
        top = qMax(contents.height() - height, qreal(0));
    const QRect placed = QRectF(contents.x(), contents.y() + top, contents.width(), contents.height()).toAlignedRect();

    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = palette();
    if (foregroundRole() != QPalette::Text && isEnabled())
        context.palette.setColor(QPalette::Text, context.palette.color(foregroundRole()));
    QPainter painter(this);
    drawFrame(&painter);
    painter.translate(placed.topLeft());
    painter.setClipRect(placed.translated(-placed.topLeft()));
    m_document->documentLayout()->draw(&painter, context);
    return true;
}

void QCellLabel::paintEvent(QPaintEvent *event)
{
    if (paintRichText())
        return;
    QLabel::paintEvent(event);
    // An update asked for while a widget paints comes back as a posted UpdateLater; the text
    // the layout changed is the text just painted.
    QCoreApplication::removePostedEvents(this, QEvent::UpdateLater);
}
