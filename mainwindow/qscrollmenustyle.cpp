#include "qscrollmenustyle.h"

int QScrollMenuStyle::styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                                QStyleHintReturn *returnData) const
{
    if (hint == SH_Menu_Scrollable)
        return 1;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

int QScrollMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption *option,
                                  const QWidget *widget) const
{
    if (metric == PM_MenuScrollerHeight)
        return 15;
    return QProxyStyle::pixelMetric(metric, option, widget);
}
