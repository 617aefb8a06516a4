// dorrik-icons: writes the editor's window icon into a hicolor icon theme folder, as PNGs from
// 16 to 256 pixels and as an SVG, so the desktop shows the same pebble the window does; or, given
// a file name ending in .ico, as the Windows icon that dorrik.exe carries.
#include "picture/Artwork.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QSaveFile>

#include <array>
#include <cstdio>

namespace {

const std::array<int, 6> kSizes = { 16, 32, 48, 64, 128, 256 };
// The sizes Windows itself shows: lists and menus, the desktop, and large icon views.
const std::array<int, 4> kIcoSizes = { 16, 32, 48, 256 };

// Pixel art must stay sharp: every output pixel takes the source pixel it falls on. The icon is
// drawn on an 8-pixel grid, so every size here that is a multiple of 8 keeps its blocks equal.
QImage scaledSharp(const QImage &source, int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x)
            image.setPixel(x, y,
                           source.pixel(x * source.width() / size, y * source.height() / size));
    }
    return image;
}

// One rectangle per run of equal pixels, for each band of identical rows, on a grid as large
// as the source: pixel art scales without blur, and the file stays small.
QByteArray svgOf(const QImage &source)
{
    QByteArray svg = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" "
                                    "height=\"%2\" viewBox=\"0 0 %1 %2\" "
                                    "shape-rendering=\"crispEdges\">\n")
                         .arg(source.width())
                         .arg(source.height())
                         .toUtf8();
    const auto row = [&source](int y) {
        return QByteArrayView(source.constScanLine(y), source.bytesPerLine());
    };
    int y = 0;
    while (y < source.height()) {
        int bandEnd = y + 1;
        while (bandEnd < source.height() && row(bandEnd) == row(y))
            ++bandEnd;
        int x = 0;
        while (x < source.width()) {
            const QRgb colour = source.pixel(x, y);
            int end = x + 1;
            while (end < source.width() && source.pixel(end, y) == colour)
                ++end;
            if (qAlpha(colour) != 0)
                svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" "
                                      "fill=\"#%5\"/>\n")
                           .arg(x)
                           .arg(y)
                           .arg(end - x)
                           .arg(bandEnd - y)
                           .arg(colour & 0xFFFFFF, 6, 16, QLatin1Char('0'))
                           .toUtf8();
            x = end;
        }
        y = bandEnd;
    }
    return svg + "</svg>\n";
}

QByteArray pngOf(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return {};
    return bytes;
}

// An ICO file: a directory of sizes and offsets, then each image as a PNG, which Windows reads
// since Vista. Numbers are little-endian; a width or height of 0 means 256.
QByteArray icoOf(const QImage &source)
{
    std::array<QByteArray, kIcoSizes.size()> images;
    for (std::size_t i = 0; i < kIcoSizes.size(); ++i) {
        images.at(i) = pngOf(scaledSharp(source, kIcoSizes.at(i)));
        if (images.at(i).isEmpty())
            return {};
    }
    QByteArray ico;
    const auto put = [&ico](quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            ico.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    put(0, 2); // reserved
    put(1, 2); // an icon, not a cursor
    put(kIcoSizes.size(), 2);
    quint32 offset = 6 + 16 * kIcoSizes.size();
    for (std::size_t i = 0; i < kIcoSizes.size(); ++i) {
        const int side = kIcoSizes.at(i) % 256;
        put(side, 1);
        put(side, 1);
        put(0, 2); // no palette
        put(1, 2); // planes
        put(32, 2); // bits per pixel
        put(images.at(i).size(), 4);
        put(offset, 4);
        offset += images.at(i).size();
    }
    for (const QByteArray &image : images)
        ico += image;
    return ico;
}

// Written whole or not at all, so an interrupted build never installs half an icon.
bool writeFile(const QString &path, const QByteArray &bytes, QString &error)
{
    if (bytes.isEmpty()) {
        error = path + QStringLiteral(": nothing to write; the picture could not be encoded");
        return false;
    }
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() != 2) {
        std::fprintf(stderr, "Usage: dorrik-icons THEME-FOLDER | ICON-FILE.ico\n");
        return 2;
    }
    const QString target = arguments.at(1);
    // The window icon at the one size it is drawn at, so that no smoothing touches it.
    const QIcon windowIcon = Artwork::windowIcon();
    const QSize drawn = windowIcon.availableSizes().value(0, QSize(32, 32));
    const QImage icon = windowIcon.pixmap(drawn).toImage().convertToFormat(QImage::Format_ARGB32);

    QString error;
    bool written = true;
    if (target.endsWith(QStringLiteral(".ico"), Qt::CaseInsensitive)) {
        written = writeFile(target, icoOf(icon), error);
    } else {
        for (int size : kSizes) {
            const QString path = QStringLiteral("%1/%2x%2/apps/dorrik.png").arg(target).arg(size);
            written = written && writeFile(path, pngOf(scaledSharp(icon, size)), error);
        }
        written = written
            && writeFile(target + QStringLiteral("/scalable/apps/dorrik.svg"), svgOf(icon), error);
    }
    if (!written) {
        std::fprintf(stderr, "dorrik-icons: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
