#include "window_print.h"

#include <QPainter>
#include <QPaintDevice>
#include <QPixmap>
#include <QWidget>

#include <algorithm>

namespace pirolex {

namespace {
constexpr double kDesignDpi = 96.0;
}

void PrintClientArea(QWidget& window, QPaintDevice& page) {
    const QSize size = window.size();
    if (size.isEmpty()) return;
    const QPixmap picture = window.grab();
    QPainter painter;
    if (!painter.begin(&page)) return;  // the print system has said why, if it could
    const double scaleX = page.logicalDpiX() / kDesignDpi;
    const double scaleY = page.logicalDpiY() / kDesignDpi;
    const double fit = std::min({1.0, page.width() / (size.width() * scaleX),
                                 page.height() / (size.height() * scaleY)});
    painter.scale(scaleX * fit, scaleY * fit);
    // grab() may return more pixels than the window is wide on a high-density screen; the page
    // gets the window's own size.
    painter.drawPixmap(QRect(QPoint(0, 0), size), picture);
    painter.end();
}

}  // namespace pirolex
