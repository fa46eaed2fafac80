#pragma once
// Prints the window's client area, every control as it is on screen, as one page.

class QPrinter;
class QWidget;

namespace pirolex {

// The picture goes to the page's top-left corner, scaled by the printer's pixels per inch over
// 96, so that it prints at the size it has on a 96-dpi screen.
void PrintClientArea(QWidget& window, QPrinter& printer);

}  // namespace pirolex
