#pragma once
// Qt's own dialogs (open, save, print, message boxes) speak the window's language, German,
// whatever the desktop's: Qt's base translation, from where Qt keeps its translations.

class QCoreApplication;

namespace pirolex {

// Installs the translation into app; false when it is not installed on this machine, and the
// dialogs then keep Qt's English.
bool InstallQtGerman(QCoreApplication& app);

}  // namespace pirolex
