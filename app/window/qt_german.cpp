#include "qt_german.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace pirolex {

bool InstallQtGerman(QCoreApplication& app) {
    // Owned by the application, which reads it for as long as it runs.
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_de"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

}  // namespace pirolex
