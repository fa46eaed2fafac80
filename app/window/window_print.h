#pragma once
// Prints the window's client area, every control as it is on screen, as one page.

class QPaintDevice;
class QWidget;

namespace pirolex {

// The picture goes to the top-left corner of the page's printable area at the size it has on a
// 96-dpi screen, or smaller, proportions kept, where that would not fit: the design window alone
// is 8.73 in wide, more than an A4 or Letter page can print. Never enlarged. The page is the
// printer (its width and height are the printable area's, in its own pixels) or any other paint
// device, which lets a test print onto an image.
void PrintClientArea(QWidget& window, QPaintDevice& page);

}  // namespace pirolex
