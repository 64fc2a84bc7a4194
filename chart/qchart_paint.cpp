#include "qchart.h"

#include <QPainter>
#include <QPaintEvent>

#include <cmath>

namespace {

const QColor kGrey(192, 192, 192);
const QColor kCornflower(100, 149, 237);
const QColor kBandColours[4] = {QColor(128, 0, 0), QColor(255, 0, 0), QColor(255, 165, 0),
                                QColor(255, 255, 0)};
const double kLegendOffsets[4] = {160, 120, 80, 40};

QPen linePen(const QColor &colour, double width, Qt::PenStyle style = Qt::SolidLine)
{
    return QPen(QBrush(colour), width, style, Qt::SquareCap, Qt::BevelJoin);
}

QString price(double value)
{
    return QString::number(value, 'f', 2);
}

// Text right-aligned to end 5 pixels left of the plot's origin.
void drawPriceLabel(QPainter &p, double value, int y)
{
    const QString text = price(value);
    p.drawText(QPoint(-5 - p.fontMetrics().horizontalAdvance(text), y), text);
}

} // namespace

void QChart::paintEvent(QPaintEvent *event)
{
    const qreal ratio = devicePixelRatioF();
    if (staticLayer.isNull() || staticLayer.size() != size() * ratio) {
        staticLayer = QPixmap(size() * ratio);
        staticLayer.setDevicePixelRatio(ratio);
        staticLayer.fill(palette().color(backgroundRole()));
        QPainter layerPainter(&staticLayer);
        paintStaticLayer(layerPainter);
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, staticLayer);
    paintReadout(painter);
    painter.end();
    QWidget::paintEvent(event);
}

void QChart::paintStaticLayer(QPainter &p)
{
    QFont font = p.font();
    font.setPointSize(10);
    p.setFont(font);
    const ChartLayout &l = currentLayout();

    p.setPen(linePen(kGrey, 1));
    p.drawLine(ChartLayout::kAxisX, 0, ChartLayout::kAxisX, l.bottom);
    p.drawLine(ChartLayout::kAxisX, l.bottom - 22, l.right, l.bottom - 22);
    if (!l.plotted)
        return;

    p.translate(ChartLayout::kOriginX, ChartLayout::kOriginY);
    const int quarter = p.fontMetrics().height() / 4;
    const double plotRight = qint64(l.plotWidth / l.scale) * l.scale;
    const double plotBottom = qint64(l.plotHeight / l.scale) * l.scale;

    const QPen dashed = linePen(kGrey, 1, Qt::DashLine);
    for (const ChartLayout::GridLine &g : l.grid) {
        p.setPen(dashed);
        p.drawLine(QPointF(0, g.y), QPointF(plotRight, g.y));
        p.setPen(kGrey);
        drawPriceLabel(p, g.price, int(l.priceY(g.price) + quarter));
    }
    p.setPen(dashed);
    p.drawLine(QPointF(0, 0), QPointF(plotRight, 0));
    p.drawLine(QPointF(0, plotBottom), QPointF(plotRight, plotBottom));
    p.setPen(kGrey);
    drawPriceLabel(p, l.topPrice, quarter);
    drawPriceLabel(p, l.bottomPrice, l.plotHeight + quarter);

    const int labelBaseline = l.plotHeight + p.fontMetrics().height();
    for (const ChartLayout::MonthLabel &m : l.months) {
        p.setPen(dashed);
        p.drawLine(QPointF(m.x, 0), QPointF(m.x, plotBottom));
        p.setPen(kGrey);
        p.drawText(QPoint(int(m.x), labelBaseline), m.text);
    }

    // The close line runs right to left; a day after (to the right of) a close of 0 or less
    // starts a new run.
    p.setPen(linePen(kCornflower, 2));
    QPolygonF run;
    const auto drawRun = [&p, &run] {
        if (run.size() == 1)
            p.drawPoint(run.first());
        else if (run.size() > 1)
            p.drawPolyline(run);
        run.clear();
    };
    for (int k = l.days.size() - 1; k >= 0; --k) {
        const ChartLayout::Slot &d = l.days.at(k);
        if (k == l.days.size() - 1 || l.days.at(k + 1).close <= 0)
            drawRun();
        run << l.toPlot(d.x, d.y);
    }
    drawRun();

    p.setPen(linePen(Qt::red, 1));
    p.setBrush(Qt::red);
    for (const ChartLayout::Mark &m : l.marks) {
        const QPointF apex = l.toPlot(m.x, m.apex);
        const QPointF triangle[3] = {apex, apex + QPointF(-4, 5), apex + QPointF(4, 5)};
        p.drawPolygon(triangle, 3);
    }
    p.setBrush(Qt::NoBrush);

    for (int b = 0; b < l.bands.size(); ++b) {
        p.setPen(linePen(kBandColours[b], 2));
        if (l.bands[b].size() > 1)
            p.drawPolyline(l.bands[b]);
    }
    for (int b = 0; b < l.bandPe.size(); ++b) {
        p.setPen(kBandColours[b]);
        p.drawText(QPointF(l.plotWidth - kLegendOffsets[b], -quarter),
                   QString::number(l.bandPe[b], 'f', 0) + QLatin1Char('X'));
    }
}

void QChart::paintReadout(QPainter &p)
{
    if (!hover)
        return;
    const ChartLayout &l = currentLayout();
    const int k = l.slotAt(mousePos);
    if (k < 0)
        return;
    QFont font = p.font();
    font.setPointSize(10);
    p.setFont(font);
    p.translate(ChartLayout::kOriginX, ChartLayout::kOriginY);
    const ChartLayout::Slot &d = l.days.at(k);
    const QPointF centre = l.toPlot(d.x, d.y);
    p.setPen(linePen(kCornflower, 5));
    p.setBrush(kCornflower);
    p.drawEllipse(QRectF(centre.x() - 2.5, centre.y() - 2.5, 5, 5));
    p.setPen(kCornflower);
    p.drawText(QPoint(3, -(p.fontMetrics().height() / 4)),
               d.date.toString(QStringLiteral("yyyy/MM/dd")) + QStringLiteral("  ") + price(d.close));
}
