#include "branding.h"

#include <QStringList>

namespace pirolex {

QString DesignCaption() {
    return QStringLiteral("Pirolex Stereo V2.1 (%1)").arg(QString::fromUtf8(kWebAddress));
}

QString AboutText() {
    const QStringList lines = {
        QString(31, QLatin1Char(' ')) + QStringLiteral("Pirolex"),
        QStringLiteral("        Geschwindigkeitsmessung für Modellflugzeuge"),
        QString(35, QLatin1Char(' ')) + QStringLiteral("Version 2.1"),
        QStringLiteral("neueste Version unter ") + QString::fromUtf8(kWebAddress),
        QString(),
        QString::fromUtf8(kMakerSignature),
    };
    // Qt's message box breaks lines at '\n' only, so the lines are joined with it.
    return lines.join(QLatin1Char('\n'));
}

}  // namespace pirolex
