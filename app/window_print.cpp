#include "window_print.h"

#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QWidget>

namespace pirolex {

namespace {
constexpr double kDesignDpi = 96.0;
}

void PrintClientArea(QWidget& window, QPrinter& printer) {
    const QPixmap picture = window.grab();
    QPainter painter;
    if (!painter.begin(&printer)) return;  // the print system has said why, if it could
    painter.scale(printer.logicalDpiX() / kDesignDpi, printer.logicalDpiY() / kDesignDpi);
    // grab() may return more pixels than the window is wide on a high-density screen; the page
    // gets the window's own size.
    painter.drawPixmap(QRect(QPoint(0, 0), window.size()), picture);
    painter.end();
}

}  // namespace pirolex
