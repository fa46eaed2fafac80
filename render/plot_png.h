#pragma once
// PlotBitmap as a PNG file: the same bytes whether the window's "Grafik speichern" button or the
// command line's render writes them.

#include "failure.h"
#include "plot_canvas.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pirolex {

// Text fields of a PNG file: key (Latin-1, 1 to 79 characters) and value (any text).
using PngText = std::vector<std::pair<QString, QString>>;

// The bitmap as a PNG file's bytes: 8-bit RGB, rows unfiltered, deflated as runs. A spectrogram
// is mostly white runs, so this is small and several times faster than a general encoder. The
// text fields go before the pixels, as UTF-8, so that umlauts and "°C" read back as written.
QByteArray EncodePng(const QImage& image, const PngText& text = {});  // empty if zlib fails

// Writes the image as PNG, whatever the file name ends in, through one checked save: a write
// that fails says why and leaves what was at path as it was (the old file, or none). `inputs`
// are the files being read, which the picture must never replace.
std::optional<Failure> WritePng(const QImage& image, const QString& path, const PngText& text = {},
                                const std::vector<std::string>& inputs = {});
std::optional<Failure> WritePlotPng(const PlotCanvas& canvas, const QString& path,
                                    const std::vector<std::string>& inputs = {});

}  // namespace pirolex
