#include "branding.h"
#include "cli.h"
#include "main_window.h"
#include "plot_commands.h"
#include "window_seams.h"

#include <QApplication>

#include <iostream>

int main(int argc, char** argv) {
    const int status =
        pirolex::RunCommandLine(argc, argv, std::cout, std::cerr, pirolex::PlotSubcommands());
    if (status >= 0) return status;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(pirolex::kProgramTitle));
    pirolex::WindowSeams seams = pirolex::DesktopSeams();
    // `pirolex FILE` loads FILE as if it had been chosen in the start-up dialog.
    if (argc > 1) seams.chooseFile = pirolex::FirstChoice(argv[1], seams.chooseFile);
    pirolex::TPirolex window(std::move(seams));
    // Shown first, so the start-up dialog opens over the window rather than alone.
    window.CentreOnScreen();
    window.show();
    window.FormCreate();
    return app.exec();
}
