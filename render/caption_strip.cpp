#include "caption_strip.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace pirolex {

namespace {

constexpr int kTextIndent = 6;

QFont CaptionFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(12);
    return font;
}

}  // namespace

QImage WithCaptionStrip(const QImage& picture, const QStringList& rows) {
    const int strip = 2 * kCaptionMargin + kCaptionRowHeight * static_cast<int>(rows.size());
    QImage out(picture.width(), picture.height() + strip, QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter painter(&out);
    painter.drawImage(0, 0, picture);
    const QFont font = CaptionFont();
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetrics metrics(font);
    const int width = std::max(picture.width() - 2 * kTextIndent, 0);
    int top = picture.height() + kCaptionMargin;
    for (const QString& row : rows) {
        painter.drawText(QRect(kTextIndent, top, width, kCaptionRowHeight),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(row, Qt::ElideRight, width));
        top += kCaptionRowHeight;
    }
    painter.end();
    return out;
}

}  // namespace pirolex
