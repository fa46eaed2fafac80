#include "plot_png.h"

#include <QImageWriter>

namespace pirolex {

namespace {

QString Reason(QImageWriter::ImageWriterError error) {
    switch (error) {
    case QImageWriter::DeviceError: return QStringLiteral("Datei lässt sich nicht schreiben");
    case QImageWriter::UnsupportedFormatError: return QStringLiteral("PNG wird nicht unterstützt");
    case QImageWriter::InvalidImageError: return QStringLiteral("leeres Bild");
    default: return QStringLiteral("unbekannter Fehler");
    }
}

}  // namespace

QString SavePlotPng(const PlotCanvas& canvas, const QString& path) {
    QImageWriter writer(path, "png");
    if (writer.write(canvas.Image())) return {};
    return QStringLiteral("Grafik konnte nicht gespeichert werden: %1 (%2)")
        .arg(path, Reason(writer.error()));
}

}  // namespace pirolex
