// A tile sheet's PNG, read by libpng's push reader: the file is fed to it a piece at a time,
// the size its header declares is checked from the header callback before any pixel is
// inflated, and every damage libpng can see (a CRC, the zlib stream's check value, data that
// ends early or runs on past the picture) refuses the sheet, warnings included. libpng inflates
// at most one row past the picture, so a zlib bomb after the pixels costs nothing, and the work
// is bounded by the picture's declared size and the file's, both checked first.
#include "SheetPng.h"

#include "os/FileAccess.h"
#include "os/WholeFile.h"

#include <QSysInfo>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <png.h>
#include <vector>

namespace SheetPng {
namespace {

constexpr qint64 kPiece = 256 * 1024; // the most read from the file in one access
constexpr int kReasonBytes = 512;

// What the callbacks fill in. Plain data only, except for the picture and the size check's
// refusal, which live in the caller's frame: libpng reports errors with longjmp, which must
// never jump over an object with a destructor.
struct Decode
{
    const std::function<Status(QSize)> *fits = nullptr;
    Status *refusal = nullptr; // the size check's failure, set before the jump
    QImage *picture = nullptr; // the rows are decoded straight into it
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int depth = 0;
    int colourType = 0;
    png_color colours[256] = {};
    png_byte alphas[256] = {};
    int colourCount = 0;
    int alphaCount = 0;
    bool refusedBySize = false;
    bool ended = false;
    char reason[kReasonBytes] = {};
};

void keepReason(Decode &decode, const char *message)
{
    if (decode.reason[0] == '\0')
        std::snprintf(decode.reason, sizeof decode.reason, "%s", message);
}

void onError(png_structp png, png_const_charp message)
{
    keepReason(*static_cast<Decode *>(png_get_error_ptr(png)), message);
    png_longjmp(png, 1);
}

// A warning is damage libpng could read past; the sheet is refused for it all the same, after
// the current call returns.
void onWarning(png_structp png, png_const_charp message)
{
    keepReason(*static_cast<Decode *>(png_get_error_ptr(png)), message);
}

// The size check, in a frame of its own so that its Status and QSize are gone before any jump.
bool sizeFits(Decode &decode)
{
    *decode.refusal = (*decode.fits)(QSize(int(decode.width), int(decode.height)));
    return bool(*decode.refusal);
}

// The picture the rows are decoded into, in the form Qt's own reader gives each kind: palette
// pictures indexed, one byte a pixel; the others RGBA, 16 bits a sample (in the machine's order)
// where the file has 16, so that they are rounded to 8 bits as they always were. False when there
// is no memory for it.
bool makePicture(Decode &decode, std::size_t rowBytes)
{
    const QImage::Format format = decode.colourType == PNG_COLOR_TYPE_PALETTE
        ? QImage::Format_Indexed8
        : decode.depth == 16 ? QImage::Format_RGBA64
                             : QImage::Format_RGBA8888;
    *decode.picture = QImage(int(decode.width), int(decode.height), format);
    return !decode.picture->isNull() && std::size_t(decode.picture->bytesPerLine()) >= rowBytes;
}

void onInfo(png_structp png, png_infop info)
{
    Decode &decode = *static_cast<Decode *>(png_get_progressive_ptr(png));
    int interlace = 0;
    png_get_IHDR(png, info, &decode.width, &decode.height, &decode.depth, &decode.colourType,
                 &interlace, nullptr, nullptr);
    if (!sizeFits(decode)) {
        decode.refusedBySize = true;
        png_error(png, "refused for its size");
    }
    if (decode.colourType == PNG_COLOR_TYPE_PALETTE) {
        // Indices as they are, one byte each: a pixel that points past the palette is found by
        // its index, never shown in some colour.
        png_set_packing(png);
        png_set_check_for_invalid_index(png, 0);
        png_colorp colours = nullptr;
        if (png_get_PLTE(png, info, &colours, &decode.colourCount) != 0)
            std::memcpy(decode.colours, colours, sizeof(png_color) * decode.colourCount);
        png_bytep alphas = nullptr;
        if (png_get_tRNS(png, info, &alphas, &decode.alphaCount, nullptr) != 0)
            std::memcpy(decode.alphas, alphas, std::min(decode.alphaCount, decode.colourCount));
    } else {
        // Red, green, blue and alpha, at the file's 8 or 16 bits a sample.
        png_set_expand_gray_1_2_4_to_8(png);
        if (png_get_valid(png, info, PNG_INFO_tRNS))
            png_set_tRNS_to_alpha(png);
        png_set_gray_to_rgb(png);
        png_set_filler(png, decode.depth == 16 ? 0xFFFF : 0xFF, PNG_FILLER_AFTER);
        if (decode.depth == 16 && QSysInfo::ByteOrder == QSysInfo::LittleEndian)
            png_set_swap(png);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (!makePicture(decode, png_get_rowbytes(png, info)))
        png_error(png, "out of memory");
}

void onRow(png_structp png, png_bytep row, png_uint_32 number, int)
{
    Decode &decode = *static_cast<Decode *>(png_get_progressive_ptr(png));
    if (row != nullptr && number < decode.height)
        png_progressive_combine_row(png, decode.picture->scanLine(int(number)), row);
}

void onEnd(png_structp png, png_infop)
{
    static_cast<Decode *>(png_get_progressive_ptr(png))->ended = true;
}

// Reads the next piece of the file into buffer; false at a failure, whose reason is kept.
bool nextPiece(const QString &path, qint64 size, qint64 &at, std::vector<std::uint8_t> &buffer,
               Decode &decode)
{
    buffer.resize(static_cast<std::size_t>(std::min(kPiece, size - at)));
    if (Status read = FileAccess::readAt(path, at, buffer); !read) {
        keepReason(decode, read.error.toUtf8().constData());
        return false;
    }
    at += static_cast<qint64>(buffer.size());
    return true;
}

// The decoding itself, C-style: between setjmp and the end no object with a destructor is
// made, so that libpng's longjmp skips nothing. True when libpng saw the whole picture and its
// end without a word; otherwise decode.reason says why.
bool decodeFile(const QString &path, qint64 size, std::vector<std::uint8_t> &buffer, Decode &decode)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &decode, onError, onWarning);
    if (png == nullptr)
        return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    // The size check decides what a sheet may be; libpng's own limits only keep it within PNG.
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_benign_errors(png, 0);
    // Only the palette and the transparency change a pixel: every other chunk is skipped.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    static const png_byte kIgnored[]
        = "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0sBIT\0sCAL\0sPLT\0"
          "sRGB\0sTER\0tEXt\0tIME\0zTXt";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnored,
                                static_cast<int>(sizeof kIgnored / 5));
    png_set_progressive_read_fn(png, &decode, onInfo, onRow, onEnd);
    qint64 at = 0;
    while (!decode.ended && decode.reason[0] == '\0' && at < size) {
        if (!nextPiece(path, size, at, buffer, decode))
            break;
        png_process_data(png, info, buffer.data(), buffer.size());
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return decode.ended && decode.reason[0] == '\0';
}

// libpng's words for what it found, in the words the tool uses for a sheet; anything else is
// passed on as libpng says it.
QString reasonFor(const QString &words, qint64 size)
{
    const struct
    {
        const char *libpng;
        const char *reason;
    } known[] = {
        { "Not a PNG file", "it does not start with the PNG signature" },
        { "PNG file corrupted by ASCII conversion", "it does not start with the PNG signature" },
        { "Missing IHDR before", "it does not start with a PNG header (IHDR)" },
        { "IHDR: CRC error", "its header (IHDR) is damaged: its CRC32 does not match" },
        { "PLTE: CRC error", "its palette (PLTE) is damaged: its CRC32 does not match" },
        { "tRNS: CRC error", "its transparency (tRNS) is damaged: its CRC32 does not match" },
        { "IDAT: CRC error", "its image data (IDAT) is damaged: a chunk's CRC32 does not match" },
        { "ADLER32 checksum mismatch",
          "its image data is damaged: the zlib stream's check value does not match" },
        { "Truncated compressed data in IDAT",
          "its image data is damaged: the zlib stream does not end as it should" },
        { "Not enough compressed data", "its image data ends before the picture does" },
        { "Extra compressed data", "its image data runs on past the picture" },
        { "Too much image data", "its image data runs on past the picture" },
        { "Missing PLTE before IDAT", "it is a palette picture without a palette (PLTE)" },
        { "Missing IEND", "it has no end (IEND)" },
    };
    for (const auto &entry : known) {
        if (words.contains(QLatin1String(entry.libpng)))
            return QString::fromLatin1(entry.reason);
    }
    if (words.isEmpty())
        return QStringLiteral("the file ends at byte %1, before the picture does").arg(size);
    return words;
}

Status damaged(const QString &reason)
{
    return Status::failure(QStringLiteral("cannot be read as a PNG picture: ") + reason);
}

// The palette as the file has it, with its transparency, filled out with opaque black to every
// index the bit depth can hold, so that a pixel that points past it is found by its index;
// paletteSize says where the file's palette ends (-1: it fills every index).
QList<QRgb> paletteOf(const Decode &decode, int &paletteSize)
{
    const int indices = 1 << decode.depth;
    paletteSize = decode.colourCount < indices ? decode.colourCount : -1;
    QList<QRgb> palette(indices, qRgb(0, 0, 0));
    for (int i = 0; i < decode.colourCount; ++i) {
        const png_color &colour = decode.colours[i];
        palette[i] = qRgba(colour.red, colour.green, colour.blue,
                           i < decode.alphaCount ? decode.alphas[i] : 255);
    }
    return palette;
}

} // namespace

Status read(const QString &path, const std::function<Status(QSize)> &fits, QImage &picture,
            int &paletteSize)
{
    qint64 size = 0;
    if (Status checked = WholeFile::check(path, size); !checked)
        return checked;
    Status refusal;
    QImage decoded;
    std::vector<std::uint8_t> buffer;
    Decode decode;
    decode.fits = &fits;
    decode.refusal = &refusal;
    decode.picture = &decoded;
    const bool whole = decodeFile(path, size, buffer, decode);
    if (decode.refusedBySize)
        return refusal;
    const QString words = QString::fromUtf8(decode.reason);
    if (words == QLatin1String("Invalid palette"))
        return Status::failure(
            QStringLiteral("its palette (PLTE) holds no colours, so no pixel has a colour"));
    if (!whole)
        return damaged(reasonFor(words, size));
    paletteSize = -1;
    if (decode.colourType == PNG_COLOR_TYPE_PALETTE)
        decoded.setColorTable(paletteOf(decode, paletteSize));
    picture = std::move(decoded);
    return {};
}

} // namespace SheetPng
