#pragma once
// The window searches for passes aside; a test that clicks "Automatisch messen" (or changes what
// the search depends on) lets the window's event loop run until the search has ended and its
// result is shown.

#include <QDeadlineTimer>
#include <QTest>

namespace testsupport {

// False when the search has not ended within the time given.
template <class Window>
bool WaitForSearch(Window& window, int milliseconds = 120000) {
    const QDeadlineTimer deadline(milliseconds);
    while (window.Parts().searching) {
        if (deadline.hasExpired()) return false;
        QTest::qWait(2);
    }
    return true;
}

}  // namespace testsupport
