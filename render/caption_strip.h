#pragma once
// A picture with a white strip below it that holds rows of text: a measurement kept together with
// the picture it was made in. The picture's own pixels are not touched.

#include <QImage>
#include <QStringList>

namespace pirolex {

// Pixels per row of text, and above and below the rows.
inline constexpr int kCaptionRowHeight = 15;
inline constexpr int kCaptionMargin = 4;

// The picture on top, then one row per entry of rows, black on white, from the left; a row wider
// than the picture is cut short with an ellipsis.
QImage WithCaptionStrip(const QImage& picture, const QStringList& rows);

}  // namespace pirolex
