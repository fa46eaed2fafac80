#include "window_print.h"

#include "caption_strip.h"

#include <QPainter>
#include <QPaintDevice>
#include <QPixmap>
#include <QWidget>

#include <algorithm>

namespace pirolex {

namespace {
constexpr double kDesignDpi = 96.0;
}

void PrintClientArea(QWidget& window, QPaintDevice& page, const QStringList& record) {
    const QSize size = window.size();
    if (size.isEmpty()) return;
    // grab() may return more pixels than the window is wide on a high-density screen; the page
    // gets the window's own size.
    const QImage shown = window.grab().toImage().scaled(size, Qt::IgnoreAspectRatio,
                                                        Qt::SmoothTransformation);
    const QImage picture = record.isEmpty() ? shown : WithCaptionStrip(shown, record);
    QPainter painter;
    if (!painter.begin(&page)) return;  // the print system has said why, if it could
    const double scaleX = page.logicalDpiX() / kDesignDpi;
    const double scaleY = page.logicalDpiY() / kDesignDpi;
    const double fit = std::min({1.0, page.width() / (picture.width() * scaleX),
                                 page.height() / (picture.height() * scaleY)});
    painter.scale(scaleX * fit, scaleY * fit);
    painter.drawImage(QPoint(0, 0), picture);
    painter.end();
}

}  // namespace pirolex
