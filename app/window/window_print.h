#pragma once
// Prints the window's client area, every control as it is on screen, with the measurement's
// record below it, as one page.

#include <QStringList>

class QPaintDevice;
class QWidget;

namespace pirolex {

// The picture goes to the top-left corner of the page's printable area at the size it has on a
// 96-dpi screen, or smaller, proportions kept, where that would not fit: the default window alone
// is 9.15 in wide, more than an A4 or Letter page can print. Never enlarged. The record's rows
// (see caption_strip.h) follow under the window at the same scale. The page is the printer (its
// width and height are the printable area's, in its own pixels) or any other paint device, which
// lets a test print onto an image.
void PrintClientArea(QWidget& window, QPaintDevice& page, const QStringList& record = {});

}  // namespace pirolex
