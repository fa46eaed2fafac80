// The window's entry point. It lives in a module of its own that `pirolex` loads only when the
// window is asked for, so the commands without a window (render, measure, info) start without
// loading Qt Widgets, Multimedia and Print Support with all that they pull in.

#include "branding.h"
#include "main_window.h"
#include "qt_german.h"
#include "window_module.h"
#include "window_seams.h"

#include <QApplication>

extern "C" __attribute__((visibility("default"))) int PIROLEX_WINDOW_ENTRY(int* argc, char** argv) {
    QApplication app(*argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(pirolex::kProgramTitle));
    pirolex::InstallQtGerman(app);
    pirolex::WindowSeams seams = pirolex::DesktopSeams();
    pirolex::TPirolex window(std::move(seams));
    // Shown first, so the start-up dialog opens over the window rather than alone; start-up
    // centres it on the screen.
    window.show();
    // `pirolex FILE` loads FILE instead of asking for a recording.
    window.FormCreate(*argc > 1 ? std::optional<std::string>(argv[1]) : std::nullopt);
    return app.exec();
}
