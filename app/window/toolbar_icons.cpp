#include "toolbar_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace pirolex {

namespace {

// Every icon is drawn on a 16 x 16 grid; larger pixmaps scale the same strokes.
void PaintFolder(QPainter& p) {
    p.setPen(QPen(QColor(0x80, 0x60, 0x00), 1));
    p.setBrush(QColor(0xF0, 0xC8, 0x40));
    p.drawRect(QRectF(1.5, 4.5, 13, 9));
    p.drawRect(QRectF(1.5, 2.5, 5, 2));
    p.setBrush(QColor(0xFF, 0xE0, 0x70));
    QPainterPath lid;
    lid.moveTo(3.5, 7.5);
    lid.lineTo(15.5, 7.5);
    lid.lineTo(13.5, 13.5);
    lid.lineTo(1.5, 13.5);
    lid.closeSubpath();
    p.drawPath(lid);
}

void PaintSpeaker(QPainter& p) {
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(0x60, 0x60, 0x60));
    QPainterPath cone;
    cone.moveTo(1.5, 5.5);
    cone.lineTo(4.5, 5.5);
    cone.lineTo(8.5, 1.5);
    cone.lineTo(8.5, 14.5);
    cone.lineTo(4.5, 10.5);
    cone.lineTo(1.5, 10.5);
    cone.closeSubpath();
    p.drawPath(cone);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x00, 0x80, 0x00), 1.2));
    p.drawArc(QRectF(6.5, 4.5, 6, 7), -50 * 16, 100 * 16);
    p.drawArc(QRectF(5.5, 2.0, 10, 12), -50 * 16, 100 * 16);
}

void PaintSpectrum(QPainter& p) {
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(QPointF(1.5, 1), QPointF(1.5, 14.5));
    p.drawLine(QPointF(1, 14.5), QPointF(15, 14.5));
    const int heights[] = {3, 6, 11, 7, 4, 9, 5};
    const QColor colours[] = {Qt::blue, Qt::blue, Qt::red, QColor(0x00, 0x80, 0x00), Qt::blue,
                              Qt::red, QColor(0x00, 0x80, 0x00)};
    for (int i = 0; i < 7; ++i) {
        p.setPen(QPen(colours[i], 1.5));
        p.drawLine(QPointF(3.5 + i * 1.8, 13.5), QPointF(3.5 + i * 1.8, 13.5 - heights[i]));
    }
}

void PaintPrinter(QPainter& p) {
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(0xA0, 0xA0, 0xA0));
    p.drawRect(QRectF(1.5, 6.5, 13, 6));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 10.5, 7, 4));
    p.setPen(QPen(QColor(0x00, 0xC0, 0x00), 1));
    p.drawPoint(QPointF(12.5, 8.5));
}

void PaintExit(QPainter& p) {
    p.setPen(QPen(QColor(0x60, 0x30, 0x00), 1));
    p.setBrush(QColor(0xC0, 0x80, 0x40));
    p.drawRect(QRectF(2.5, 1.5, 8, 13));
    p.setPen(QPen(QColor(0xC0, 0x00, 0x00), 2));
    p.drawLine(QPointF(7, 8), QPointF(15, 8));
    p.drawLine(QPointF(12, 5), QPointF(15, 8));
    p.drawLine(QPointF(12, 11), QPointF(15, 8));
}

void PaintInfo(QPainter& p) {
    p.setPen(QPen(QColor(0x00, 0x00, 0x80), 1));
    p.setBrush(QColor(0x30, 0x60, 0xE0));
    p.drawEllipse(QRectF(1, 1, 14, 14));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(7, 3.5, 2, 2));
    p.drawRect(QRectF(7, 6.5, 2, 6));
}

// A floppy disk: the body, the metal shutter at the top and the white label below it.
void PaintDisk(QPainter& p) {
    p.setPen(QPen(QColor(0x10, 0x20, 0x50), 1));
    p.setBrush(QColor(0x30, 0x50, 0xA0));
    QPainterPath body;
    body.moveTo(1.5, 1.5);
    body.lineTo(12.5, 1.5);
    body.lineTo(14.5, 3.5);
    body.lineTo(14.5, 14.5);
    body.lineTo(1.5, 14.5);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(QColor(0xC8, 0xC8, 0xC8));
    p.drawRect(QRectF(4.5, 1.5, 7, 4));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x30, 0x50, 0xA0));
    p.drawRect(QRectF(9, 2.5, 1.5, 2));
    p.setPen(QPen(QColor(0x10, 0x20, 0x50), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 8.5, 9, 6));
    p.setPen(QPen(QColor(0xC0, 0x00, 0x00), 1));
    p.drawLine(QPointF(5, 10.5), QPointF(11, 10.5));
    p.drawLine(QPointF(5, 12.5), QPointF(9, 12.5));
}

// The automatic measurement: the tone's fall at the pass as a blue curve (time upwards, as in
// the 2D picture), between the red marker it places on the recede and the green one on the
// approach.
void PaintAutoMeasure(QPainter& p) {
    p.setPen(QPen(QColor(0xC0, 0x00, 0x00), 1.5));
    p.drawLine(QPointF(3.5, 1.5), QPointF(3.5, 14.5));
    p.setPen(QPen(QColor(0x00, 0x80, 0x00), 1.5));
    p.drawLine(QPointF(12.5, 1.5), QPointF(12.5, 14.5));
    p.setPen(QPen(QColor(0x00, 0x00, 0xFF), 1.8));
    p.setBrush(Qt::NoBrush);
    QPainterPath fall;
    fall.moveTo(3.5, 2.0);
    fall.cubicTo(3.5, 9.0, 12.5, 7.0, 12.5, 14.0);
    p.drawPath(fall);
}

// Copying the measurement: two sheets, the front one with lines of text.
void PaintCopy(QPainter& p) {
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    p.setBrush(QColor(0xE0, 0xE0, 0xE0));
    p.drawRect(QRectF(1.5, 1.5, 8, 10));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6.5, 4.5, 8, 10));
    p.setPen(QPen(QColor(0x00, 0x00, 0xC0), 1));
    for (double y : {7.5, 9.5, 11.5}) p.drawLine(QPointF(8, y), QPointF(13, y));
}

// Listening live: a microphone's capsule on its stand, grille lines across the capsule.
void PaintMicrophone(QPainter& p) {
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
    p.setBrush(QColor(0x90, 0x90, 0x98));
    p.drawRoundedRect(QRectF(5.5, 0.5, 5, 9), 2.5, 2.5);
    p.setPen(QPen(QColor(0x50, 0x50, 0x58), 0.8));
    for (double y : {3.0, 5.0, 7.0}) p.drawLine(QPointF(6, y), QPointF(10, y));
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.2));
    p.setBrush(Qt::NoBrush);
    QPainterPath holder;
    holder.moveTo(3.5, 6.0);
    holder.cubicTo(3.5, 12.5, 12.5, 12.5, 12.5, 6.0);
    p.drawPath(holder);
    p.drawLine(QPointF(8, 11.2), QPointF(8, 14));
    p.drawLine(QPointF(5, 14.5), QPointF(11, 14.5));
    // Red: it records.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xD0, 0x10, 0x10));
    p.drawEllipse(QPointF(13.2, 2.2), 1.8, 1.8);
}

QPixmap PaintPixmap(int index, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    switch (index) {
    case 0: PaintFolder(p); break;
    case 1: PaintSpeaker(p); break;
    case 2: PaintSpectrum(p); break;
    case 3: PaintPrinter(p); break;
    case 4: PaintExit(p); break;
    case 6: PaintInfo(p); break;
    case 7: PaintDisk(p); break;
    case 8: PaintAutoMeasure(p); break;
    case 9: PaintCopy(p); break;
    case 10: PaintMicrophone(p); break;
    default: break;
    }
    return pixmap;
}

}  // namespace

QIcon ToolIcon(int index) {
    QIcon icon;
    for (int size : {16, 32}) icon.addPixmap(PaintPixmap(index, size));
    return icon;
}

}  // namespace pirolex
