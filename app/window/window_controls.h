#pragma once
// The window's own controls, each at its design place with its design values: the tool bar, the
// selectors and check boxes, the filter's and the level picture's groups, the FFT size, the
// temperature and the top speed, the status bar, "Ausschnitt ab" and the progress of work aside.
// Positions are pixels from the client area's top-left corner at the design size. The panels
// build their own.

#include <QFont>
#include <QString>

class QToolButton;
class QWidget;

namespace pirolex {

class PictureSession;
struct WindowUi;

// A sans serif as narrow as the classic 8-point dialog font, so that every caption fits the place
// the layout gives it; the wider DejaVu Sans only where it is missing.
QFont DesignFont(int pixelSize);

inline constexpr int kToolBarHeight = 33;
inline constexpr int kStatusBarHeight = 21;

void BuildControls(QWidget* window, WindowUi& ui);

// "Ausschnitt ab" for a recording longer than its span, its range the recording's, its value the
// session's span; "Länge" from 2 s up to the whole recording, once there is more than 2 s to
// choose from. Without their handlers: the caller redraws.
void ShowSpanControls(const WindowUi& ui, const PictureSession& session);

// A tool bar button at x with icon number `icon`.
QToolButton* AddToolButton(QWidget* toolBar, int x, int icon, const QString& hint);

}  // namespace pirolex
