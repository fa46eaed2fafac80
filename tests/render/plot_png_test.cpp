// The PNG writer read back by an independent decoder (Qt's, on libpng, which checks every CRC).
#include "plot_png.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include <sys/resource.h>
#include <unistd.h>

namespace pirolex {
namespace {

QImage Decode(const QByteArray& png) {
    QBuffer buffer;
    buffer.setData(png);
    QImageReader reader(&buffer, "png");
    const QImage image = reader.read();
    EXPECT_FALSE(image.isNull()) << reader.errorString().toStdString();
    return image;
}

bool SameRgb(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF)) return false;
    return true;
}

TEST(PlotPng, EveryPixelReadsBackAsWritten) {
    std::mt19937 rng(7);
    for (const QSize size : {QSize(1, 1), QSize(3, 2), QSize(615, 271), QSize(1, 400), QSize(257, 1)}) {
        QImage image(size, QImage::Format_RGB32);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) image.setPixel(x, y, rng() | 0xFF000000u);
        const QByteArray png = EncodePng(image);
        EXPECT_TRUE(png.startsWith("\x89PNG\r\n\x1a\n"));
        EXPECT_TRUE(SameRgb(Decode(png), image)) << size.width() << "x" << size.height();
    }
}

// Text fields read back by the independent decoder, umlauts and degree sign included, and
// leave the pixels as they were.
TEST(PlotPng, TextFieldsReadBackAsWritten) {
    QImage image(5, 4, QImage::Format_RGB32);
    image.fill(qRgb(1, 2, 3));
    const PngText text = {{QStringLiteral("Lufttemperatur"), QStringLiteral("-3 °C")},
                          {QStringLiteral("Datei"), QStringLiteral("Überflug 1.wav")},
                          {QStringLiteral("Messung"), QString()}};
    const QImage decoded = Decode(EncodePng(image, text));
    EXPECT_EQ(decoded.text(QStringLiteral("Lufttemperatur")), QStringLiteral("-3 °C"));
    EXPECT_EQ(decoded.text(QStringLiteral("Datei")), QStringLiteral("Überflug 1.wav"));
    EXPECT_TRUE(decoded.textKeys().contains(QStringLiteral("Messung")));
    EXPECT_TRUE(SameRgb(decoded, image));
}

// A picture with transparency (never the plot's, but the writer takes any image) keeps its
// colours; the alpha is dropped.
TEST(PlotPng, OtherFormatsAreWrittenAsRgb) {
    QImage image(4, 3, QImage::Format_ARGB32);
    image.fill(qRgba(10, 200, 30, 40));
    const QImage decoded = Decode(EncodePng(image));
    EXPECT_FALSE(decoded.hasAlphaChannel());
    EXPECT_EQ(decoded.pixel(2, 1) & 0xFFFFFF, 0x0AC81Eu);
}

// A white plot with lines packs into a small part of its raw size: the data are deflated, not
// merely stored.
TEST(PlotPng, AMostlyWhitePlotStaysSmall) {
    PlotCanvas canvas(615, 271);
    for (int y = 20; y < 250; y += 3) {
        canvas.MoveTo(10, y);
        canvas.SetPenColor(0x0000FF);
        canvas.LineTo(520, y);
    }
    const QByteArray png = EncodePng(canvas.Image());
    EXPECT_LT(png.size(), 615 * 271 * 3 / 10);
    EXPECT_TRUE(SameRgb(Decode(png), canvas.Image()));
}

// A disk that fills up during the save: the old picture stays byte for byte. The limit on the
// size of files this process may write stands in for the full disk.
TEST(PlotPng, AFailedSaveKeepsTheOldFile) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("pirolex_old_" + std::to_string(::getpid()) + ".png");
    const std::string old(3000, 'o');
    std::ofstream(path, std::ios::binary) << old;
    QImage noise(400, 300, QImage::Format_RGB32);
    std::mt19937 rng(3);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x) noise.setPixel(x, y, rng() | 0xFF000000u);

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::optional<Failure> failure = WritePng(noise, QString::fromStdString(path.string()));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_TRUE(failure.has_value());
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), old);
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace pirolex
