#include "plot_png.h"

#include "checked_save.h"

#include <QFile>

#include <zlib.h>

#include <array>
#include <cerrno>

namespace pirolex {

namespace {

constexpr std::array<char, 8> kSignature = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n'};
constexpr char kColourTypeRgb = 2;
constexpr char kFilterNone = 0;

void AppendU32(QByteArray& out, uint32_t v) {
    for (int shift : {24, 16, 8, 0}) out.append(static_cast<char>((v >> shift) & 0xFF));
}

// Length, type, data, and the CRC over type and data.
void AppendChunk(QByteArray& out, const char* type, const QByteArray& data) {
    AppendU32(out, static_cast<uint32_t>(data.size()));
    const qsizetype start = out.size();
    out.append(type, 4);
    out.append(data);
    const auto* crcFrom = reinterpret_cast<const Bytef*>(out.constData() + start);
    AppendU32(out, static_cast<uint32_t>(crc32(0, crcFrom, static_cast<uInt>(out.size() - start))));
}

QByteArray Header(const QImage& image) {
    QByteArray ihdr;
    AppendU32(ihdr, static_cast<uint32_t>(image.width()));
    AppendU32(ihdr, static_cast<uint32_t>(image.height()));
    // 8 bits per sample, RGB, compression method 0 (deflate), filter method 0, no interlace.
    for (char byte : {'\x08', kColourTypeRgb, '\0', '\0', '\0'}) ihdr.append(byte);
    return ihdr;
}

// Each row: its filter byte, then red, green, blue of every pixel.
QByteArray Rows(const QImage& image) {
    // The sizes once: QImage's accessors are calls, and this loop runs for every pixel.
    const int width = image.width();
    const int height = image.height();
    QByteArray rows(height * (1 + 3 * qsizetype{width}), Qt::Uninitialized);
    char* out = rows.data();
    for (int y = 0; y < height; ++y) {
        const auto* pixel = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        *out++ = kFilterNone;
        for (int x = 0; x < width; ++x) {
            *out++ = static_cast<char>(qRed(pixel[x]));
            *out++ = static_cast<char>(qGreen(pixel[x]));
            *out++ = static_cast<char>(qBlue(pixel[x]));
        }
    }
    return rows;
}

// Empty when zlib fails (it can only run out of memory here): a picture without its pixels
// must not be written as if it were whole.
QByteArray Deflate(const QByteArray& raw) {
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, MAX_WBITS, 8, Z_RLE) != Z_OK) return {};
    QByteArray packed(static_cast<qsizetype>(deflateBound(&z, static_cast<uLong>(raw.size()))),
                      Qt::Uninitialized);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.constData()));
    z.avail_in = static_cast<uInt>(raw.size());
    z.next_out = reinterpret_cast<Bytef*>(packed.data());
    z.avail_out = static_cast<uInt>(packed.size());
    // The buffer holds the bound, so one call finishes.
    const bool finished = deflate(&z, Z_FINISH) == Z_STREAM_END;
    packed.truncate(static_cast<qsizetype>(z.total_out));
    if (deflateEnd(&z) != Z_OK || !finished) return {};
    return packed;
}

// An uncompressed iTXt chunk's data: keyword, no compression, no language, no translated
// keyword, the text in UTF-8.
QByteArray InternationalText(const QString& key, const QString& value) {
    QByteArray data = key.left(79).toLatin1();
    for (char byte : {'\0', '\0', '\0', '\0', '\0'}) data.append(byte);
    data.append(value.toUtf8());
    return data;
}

}  // namespace

QByteArray EncodePng(const QImage& image, const PngText& text) {
    const QImage rgb = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    QByteArray png(kSignature.data(), kSignature.size());
    AppendChunk(png, "IHDR", Header(rgb));
    for (const auto& [key, value] : text) AppendChunk(png, "iTXt", InternationalText(key, value));
    const QByteArray pixels = Deflate(Rows(rgb));
    if (pixels.isEmpty()) return {};
    AppendChunk(png, "IDAT", pixels);
    AppendChunk(png, "IEND", {});
    return png;
}

std::optional<Failure> WritePlotPng(const PlotCanvas& canvas, const QString& path,
                                    const std::vector<std::string>& inputs) {
    return WritePng(canvas.Image(), path, {}, inputs);
}

// Not QSaveFile: Qt 6.4's renames its temporary file over the old one even after the disk ran
// full, leaving a picture cut short or empty.
std::optional<Failure> WritePng(const QImage& image, const QString& path, const PngText& text,
                                const std::vector<std::string>& inputs) {
    const QByteArray png = EncodePng(image, text);
    // zlib fails only for want of memory.
    if (png.isEmpty()) return Failure(ErrorCode::kIoError, ENOMEM);
    return SaveWholeFile(QFile::encodeName(path).toStdString(), std::string_view(png.constData(), png.size()),
                         inputs);
}

}  // namespace pirolex
