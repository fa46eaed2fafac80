#pragma once
// PlotBitmap as a PNG file: the same bytes whether the window's "Grafik speichern" button or the
// command line's render writes them.

#include "plot_canvas.h"

#include <QString>

namespace pirolex {

// Writes the bitmap as PNG, whatever the file name ends in. Returns an empty string on success,
// else the German message to show: the path and the reason.
QString SavePlotPng(const PlotCanvas& canvas, const QString& path);

}  // namespace pirolex
