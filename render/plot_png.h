#pragma once
// PlotBitmap as a PNG file: the same bytes whether the window's "Grafik speichern" button or the
// command line's render writes them.

#include "plot_canvas.h"

#include <QByteArray>
#include <QString>

namespace pirolex {

// The bitmap as a PNG file's bytes: 8-bit RGB, rows unfiltered, deflated as runs. A spectrogram
// is mostly white runs, so this is small and several times faster than a general encoder.
QByteArray EncodePng(const QImage& image);

// Writes the bitmap as PNG, whatever the file name ends in; a write that fails leaves no file
// and returns false.
bool WritePlotPng(const PlotCanvas& canvas, const QString& path);

}  // namespace pirolex
