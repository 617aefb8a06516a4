// A tile sheet's PNG, rebuilt as Qt's reader takes it: the header, the palette and the
// transparency as the file has them, then the pixel data inflated from the file and stored
// again uncompressed, exactly as much as the picture needs, then the end. Nothing else in the
// file can reach the decoder, so a zlib bomb after the pixels is never inflated, and the work
// is bounded by the picture's declared size, which is checked before anything is decoded.
#include "SheetPng.h"

#include "base/Hex.h"
#include "os/Crc32.h"
#include "os/FileAccess.h"
#include "os/WholeFile.h"

#include <QIODevice>
#include <QImageReader>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <span>
#include <vector>
#include <zlib.h>

namespace SheetPng {
namespace {

constexpr QByteArrayView kSignature("\x89PNG\r\n\x1a\n", 8);
constexpr qint64 kHeaderBytes = 8; // a chunk's length and type
constexpr qint64 kPiece = 256 * 1024; // the most read from the file in one access
constexpr qsizetype kStoredBlock = 65535; // the most one uncompressed deflate block holds
constexpr int kPaletteType = 3;

std::uint32_t bigEndian(QByteArrayView bytes, qsizetype at)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

void putBigEndian(QByteArray &out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>(value >> shift & 0xFF);
}

QByteArray chunk(QByteArrayView type, QByteArrayView data)
{
    QByteArray out;
    putBigEndian(out, static_cast<std::uint32_t>(data.size()));
    out += type;
    out += data;
    putBigEndian(out, Crc32::update(Crc32::of(type), data));
    return out;
}

QString crcMismatch(QByteArrayView type, qint64 at, std::uint32_t computed, std::uint32_t stored)
{
    return QStringLiteral("its %1 chunk at byte %2 is damaged: its CRC32 is %3, but it records %4")
        .arg(QString::fromLatin1(type))
        .arg(at)
        .arg(Hex::digits(computed, 8), Hex::digits(stored, 8));
}

// The file, read a piece at a time, each piece in an access of its own; small reads (chunk
// headers, CRCs) come from the last piece, so that a file of a million tiny chunks costs a few
// hundred accesses, not a million.
class Source
{
public:
    Source(const QString &path, qint64 size)
        : m_path(path)
        , m_size(size)
    { }

    Status read(qint64 offset, qint64 length, QByteArray &out)
    {
        QByteArrayView bytes;
        if (Status done = view(offset, length, bytes); !done)
            return done;
        out = bytes.toByteArray();
        return {};
    }

    // A chunk's length and type; the type must be four letters and the length at most 2^31-1.
    Status header(qint64 at, qint64 &length, QByteArray &type)
    {
        QByteArrayView bytes;
        if (Status done = view(at, kHeaderBytes, bytes); !done)
            return done;
        length = bigEndian(bytes, 0);
        type.resize(4); // the same four bytes reused from chunk to chunk
        std::copy_n(bytes.data() + 4, 4, type.data());
        const bool letters = std::all_of(type.begin(), type.end(), [](char c) {
            return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        });
        if (!letters || length > std::numeric_limits<qint32>::max())
            return Status::failure(QStringLiteral("the chunk at byte %1 is no PNG chunk").arg(at));
        return {};
    }

private:
    // The bytes, valid until the next call.
    Status view(qint64 offset, qint64 length, QByteArrayView &out)
    {
        if (length > m_size - offset)
            return Status::failure(
                QStringLiteral("the file ends at byte %1, before the picture does").arg(m_size));
        if (offset < m_pieceAt || offset + length > m_pieceAt + m_piece.size()) {
            m_pieceAt = offset;
            m_piece.resize(std::max(length, std::min(kPiece, m_size - offset)));
            const std::span<std::uint8_t> bytes(reinterpret_cast<std::uint8_t *>(m_piece.data()),
                                                static_cast<std::size_t>(m_piece.size()));
            if (Status done = FileAccess::readAt(m_path, offset, bytes); !done) {
                m_piece.clear();
                return done;
            }
        }
        out = QByteArrayView(m_piece).sliced(offset - m_pieceAt, length);
        return {};
    }

    QString m_path;
    qint64 m_size;
    qint64 m_pieceAt = 0;
    QByteArray m_piece;
};

// Where the filter type of each row lies in the inflated pixel data: one byte before every
// row of every pass (seven when interlaced, passes without pixels having no rows).
class Rows
{
public:
    Rows(quint32 width, quint32 height, int bitsPerPixel, bool interlaced)
    {
        const auto add = [&](quint32 left, quint32 top, quint32 xStep, quint32 yStep) {
            const qint64 columns = width > left ? (width - left + xStep - 1) / xStep : 0;
            const qint64 rows = height > top ? (height - top + yStep - 1) / yStep : 0;
            if (columns > 0 && rows > 0)
                m_passes.push_back({ rows, 1 + (columns * bitsPerPixel + 7) / 8 });
        };
        if (!interlaced)
            add(0, 0, 1, 1);
        else
            for (const auto &pass : { std::array<quint32, 4> { 0, 0, 8, 8 },
                                      { 4, 0, 8, 8 },
                                      { 0, 4, 4, 8 },
                                      { 2, 0, 4, 4 },
                                      { 0, 2, 2, 4 },
                                      { 1, 0, 2, 2 },
                                      { 0, 1, 1, 2 } })
                add(pass[0], pass[1], pass[2], pass[3]);
    }

    qint64 bytes() const
    {
        qint64 total = 0;
        for (const Pass &pass : m_passes)
            total += pass.rows * pass.rowBytes;
        return total;
    }

    // Checks the filter types among data, the inflated bytes from offset from on.
    Status check(const char *data, qint64 from, qint64 length)
    {
        while (m_pass < m_passes.size() && m_next < from + length) {
            if (const auto filter = static_cast<std::uint8_t>(data[m_next - from]); filter > 4)
                return Status::failure(QStringLiteral("byte %1 of its image data gives filter "
                                                      "type %2 to a row; PNG has 0 to 4")
                                           .arg(m_next)
                                           .arg(filter));
            m_next += m_passes[m_pass].rowBytes;
            if (++m_row == m_passes[m_pass].rows) {
                m_row = 0;
                ++m_pass;
            }
        }
        return {};
    }

private:
    struct Pass
    {
        qint64 rows;
        qint64 rowBytes; // with the filter type
    };
    std::vector<Pass> m_passes;
    std::size_t m_pass = 0;
    qint64 m_row = 0;
    qint64 m_next = 0;
};

// The rebuilt PNG, made as the reader reads it, a chunk at a time. On a failure (a damaged
// chunk, data that ends early) the failure is kept and the rest is made of blank rows, so that
// the decoder ends cleanly and prints nothing; the caller reports the kept reason instead.
class Rebuilt : public QIODevice
{
public:
    Rebuilt(Source &source, QByteArray head, qint64 idat, qint64 idatLength, Rows rows)
        : m_source(source)
        , m_head(std::move(head))
        , m_rows(std::move(rows))
        , m_needed(m_rows.bytes())
        , m_chunkAt(idat)
        , m_at(idat + kHeaderBytes)
        , m_chunkLeft(idatLength)
        , m_crc(Crc32::of("IDAT"))
    {
        // Raw deflate with the largest window: the stream's own header is checked by hand, and a
        // stream that claims a smaller window than it uses is read as libpng reads it.
        if (inflateInit2(&m_zlib, -MAX_WBITS) != Z_OK)
            m_failure = QStringLiteral("out of memory");
    }
    ~Rebuilt() override { inflateEnd(&m_zlib); }

    bool isSequential() const override { return true; }
    QString failure() const { return m_failure; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        qint64 done = 0;
        while (done < maxSize && (m_outAt < m_out.size() || produce())) {
            const qint64 count = std::min<qint64>(maxSize - done, m_out.size() - m_outAt);
            std::memcpy(data + done, m_out.constData() + m_outAt, count);
            m_outAt += count;
            done += count;
        }
        return done;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    bool fail(const QString &reason)
    {
        m_failure = reason;
        return false;
    }

    bool produce()
    {
        m_outAt = 0;
        if (m_stage == Stage::Head) {
            m_out = m_head;
            m_stage = Stage::Data;
        } else if (m_stage == Stage::Data) {
            m_out = chunk("IDAT", nextData());
        } else if (m_stage == Stage::End) {
            m_out = chunk("IEND", {});
            m_stage = Stage::Done;
        } else {
            m_out.clear();
            return false;
        }
        return true;
    }

    // The next IDAT chunk's data: one uncompressed deflate block of the inflated pixel data,
    // after the zlib header in the first and before the Adler-32 in the last.
    QByteArray nextData()
    {
        const qsizetype length = qsizetype(std::min<qint64>(kStoredBlock, m_needed - m_produced));
        const bool last = m_produced + length == m_needed;
        QByteArray data;
        if (m_produced == 0)
            data += "\x78\x01";
        data += char(last ? 1 : 0);
        for (const unsigned value : { unsigned(length), ~unsigned(length) }) {
            data += char(value & 0xFF);
            data += char(value >> 8 & 0xFF);
        }
        const qsizetype at = data.size();
        data.resize(at + length, '\0');
        char *pixels = data.data() + at;
        if (m_failure.isEmpty() && inflateInto(pixels, length)) {
            if (Status checked = m_rows.check(pixels, m_produced, length); !checked)
                fail(checked.error);
        }
        if (!m_failure.isEmpty())
            std::fill_n(pixels, length, '\0');
        m_adler = adler32(m_adler, reinterpret_cast<const Bytef *>(pixels), uInt(length));
        m_produced += length;
        if (last) {
            putBigEndian(data, static_cast<std::uint32_t>(m_adler));
            // The chunk the pixels end in is read to its end, so that its CRC is checked.
            if (m_failure.isEmpty())
                finishChunk();
            m_stage = Stage::End;
        }
        return data;
    }

    bool inflateInto(char *out, qsizetype length)
    {
        while (m_zlibHeader.size() < 2) {
            if (m_zlib.avail_in == 0 && !nextInput())
                return false;
            m_zlibHeader += char(*m_zlib.next_in++);
            --m_zlib.avail_in;
        }
        const auto method = static_cast<std::uint8_t>(m_zlibHeader[0]);
        const auto flags = static_cast<std::uint8_t>(m_zlibHeader[1]);
        if ((method & 0x0F) != Z_DEFLATED || method >> 4 > 7 || (method << 8 | flags) % 31 != 0
            || (flags & 0x20))
            return fail(QStringLiteral("its image data is no zlib stream (it starts 0x%1)")
                            .arg(QString::fromLatin1(m_zlibHeader.toHex().toUpper())));
        m_zlib.next_out = reinterpret_cast<Bytef *>(out);
        m_zlib.avail_out = uInt(length);
        m_pieceLength = length;
        while (m_zlib.avail_out > 0) {
            if (m_zlib.avail_in == 0 && !nextInput())
                return false;
            const int result = inflate(&m_zlib, Z_NO_FLUSH);
            if (result == Z_STREAM_END && m_zlib.avail_out > 0)
                return fail(endsEarly());
            if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
                const QString reason = QString::fromLatin1(m_zlib.msg ? m_zlib.msg : "zlib error");
                // Damage in transit shows in the chunk's CRC, the clearer reason of the two.
                if (!finishChunk())
                    return false;
                return fail(QStringLiteral("its image data is damaged: %1").arg(reason));
            }
        }
        return true;
    }

    // The next piece of IDAT data into the inflater, from the following IDAT chunk when this
    // one is used up; its CRC is checked at its end.
    bool nextInput()
    {
        while (m_chunkLeft == 0) {
            if (!checkCrc())
                return false;
            QByteArray type;
            if (Status read = m_source.header(m_at, m_chunkLeft, type); !read)
                return fail(read.error);
            if (type != "IDAT")
                return fail(endsEarly());
            m_chunkAt = m_at;
            m_at += kHeaderBytes;
            m_crc = Crc32::of("IDAT");
        }
        if (!readPiece())
            return false;
        m_zlib.next_in = reinterpret_cast<Bytef *>(m_input.data());
        m_zlib.avail_in = uInt(m_input.size());
        return true;
    }

    QString endsEarly() const
    {
        return QStringLiteral("its image data ends after %1 of the %2 bytes the picture needs")
            .arg(m_produced + m_pieceLength - m_zlib.avail_out)
            .arg(m_needed);
    }

    bool checkCrc()
    {
        QByteArray stored;
        if (Status read = m_source.read(m_at, 4, stored); !read)
            return fail(read.error);
        m_at += 4;
        if (bigEndian(stored, 0) != m_crc)
            return fail(crcMismatch("IDAT", m_chunkAt, m_crc, bigEndian(stored, 0)));
        return true;
    }

    bool finishChunk()
    {
        while (m_chunkLeft > 0) {
            if (!readPiece())
                return false;
        }
        return checkCrc();
    }

    // The next piece of this chunk's data into m_input, counted into its CRC.
    bool readPiece()
    {
        const qint64 piece = std::min(kPiece, m_chunkLeft);
        if (Status read = m_source.read(m_at, piece, m_input); !read)
            return fail(read.error);
        m_crc = Crc32::update(m_crc, m_input);
        m_at += piece;
        m_chunkLeft -= piece;
        return true;
    }

    enum class Stage { Head, Data, End, Done };

    Source &m_source;
    QByteArray m_head;
    Rows m_rows;
    qint64 m_needed;
    Stage m_stage = Stage::Head;
    QByteArray m_out;
    qsizetype m_outAt = 0;
    qint64 m_produced = 0; // inflated bytes in the chunks made so far
    qsizetype m_pieceLength = 0; // the bytes the chunk being made takes
    uLong m_adler = adler32(0, nullptr, 0);
    z_stream m_zlib {};
    QByteArray m_zlibHeader;
    QByteArray m_input;
    qint64 m_chunkAt; // where the IDAT chunk being read starts
    qint64 m_at; // the next byte of the file to read
    qint64 m_chunkLeft;
    std::uint32_t m_crc;
    QString m_failure;
};

// Qt's PNG reader hands libpng's warnings to the message handler; while a sheet is read they
// are kept here instead of reaching the console, and join the reason if the read fails.
QStringList *capturedMessages = nullptr;

void captureMessage(QtMsgType, const QMessageLogContext &, const QString &message)
{
    capturedMessages->append(message);
}

class CapturedMessages
{
public:
    explicit CapturedMessages(QStringList &into)
        : m_previous(qInstallMessageHandler(captureMessage))
    {
        capturedMessages = &into;
    }
    ~CapturedMessages()
    {
        qInstallMessageHandler(m_previous);
        capturedMessages = nullptr;
    }
    CapturedMessages(const CapturedMessages &) = delete;
    CapturedMessages &operator=(const CapturedMessages &) = delete;

private:
    QtMessageHandler m_previous;
};

// The bit depths each colour type may have, and its samples a pixel.
bool validFormat(int depth, int colourType, int &channels)
{
    const bool sixteen = depth == 8 || depth == 16;
    const bool small = depth == 1 || depth == 2 || depth == 4 || depth == 8;
    switch (colourType) {
    case 0:
        channels = 1;
        return small || depth == 16;
    case 2:
        channels = 3;
        return sixteen;
    case kPaletteType:
        channels = 1;
        return small;
    case 4:
        channels = 2;
        return sixteen;
    case 6:
        channels = 4;
        return sixteen;
    default:
        return false;
    }
}

Status damaged(const QString &reason)
{
    return Status::failure(QStringLiteral("cannot be read as a PNG picture: ") + reason);
}

} // namespace

Status read(const QString &path, const std::function<Status(QSize)> &fits, QImage &picture,
            int &paletteSize)
{
    qint64 size = 0;
    if (Status checked = WholeFile::check(path, size); !checked)
        return checked;
    Source source(path, size);
    constexpr qint64 kIhdrEnd = 8 + kHeaderBytes + 13 + 4;
    QByteArray start;
    if (Status read = source.read(0, std::min(size, kIhdrEnd), start); !read)
        return damaged(read.error);
    if (!start.startsWith(kSignature))
        return damaged(QStringLiteral("it does not start with the PNG signature"));
    if (start.size() < kIhdrEnd || bigEndian(start, 8) != 13 || start.mid(12, 4) != "IHDR")
        return damaged(QStringLiteral("it does not start with a PNG header (IHDR)"));
    const QByteArray ihdr = start.mid(12, 4 + 13);
    if (Crc32::of(ihdr) != bigEndian(start, kIhdrEnd - 4))
        return damaged(crcMismatch("IHDR", 8, Crc32::of(ihdr), bigEndian(start, kIhdrEnd - 4)));
    const quint32 width = bigEndian(ihdr, 4), height = bigEndian(ihdr, 8);
    const int depth = static_cast<std::uint8_t>(ihdr[12]);
    const int colourType = static_cast<std::uint8_t>(ihdr[13]);
    int channels = 0;
    if (!validFormat(depth, colourType, channels) || ihdr[14] != 0 || ihdr[15] != 0
        || (ihdr[16] != 0 && ihdr[16] != 1))
        return damaged(QStringLiteral("its header (IHDR) gives bit depth %1, colour type %2, "
                                      "compression %3, filter %4 and interlace %5, which is no "
                                      "PNG picture")
                           .arg(depth)
                           .arg(colourType)
                           .arg(int(ihdr[14]))
                           .arg(int(ihdr[15]))
                           .arg(int(ihdr[16])));
    constexpr quint32 kLargest = std::numeric_limits<qint32>::max();
    if (width > kLargest || height > kLargest)
        return damaged(QStringLiteral("its header (IHDR) gives %1 x %2 pixels, more than a PNG "
                                      "picture may have")
                           .arg(width)
                           .arg(height));
    // Before a pixel is decoded: a picture of the wrong size is refused for its size, however
    // much memory its pixels would take.
    if (Status fit = fits(QSize(int(width), int(height))); !fit)
        return fit;

    // The chunks up to the pixel data: the palette and the transparency are kept, the rest
    // changes no pixel and is skipped unread.
    QByteArray palette, transparency;
    bool hasPalette = false;
    qint64 at = kIhdrEnd, length = 0;
    QByteArray type;
    for (;; at += kHeaderBytes + length + 4) {
        if (Status read = source.header(at, length, type); !read)
            return damaged(read.error);
        if (type == "IDAT")
            break;
        if (type == "PLTE") {
            if (hasPalette)
                return damaged(QStringLiteral("it has a second palette (PLTE) at byte %1").arg(at));
            if (length % 3 != 0 || length > 3 * 256)
                return damaged(QStringLiteral("its palette (PLTE) is %1 bytes long, which is no "
                                              "whole number of colours up to 256")
                                   .arg(length));
            QByteArray bytes;
            if (Status read = source.read(at + 4, 4 + length + 4, bytes); !read)
                return damaged(read.error);
            palette = bytes.mid(4, length);
            const std::uint32_t crc = Crc32::of(bytes.first(4 + length));
            if (crc != bigEndian(bytes, 4 + length))
                return damaged(crcMismatch("PLTE", at, crc, bigEndian(bytes, 4 + length)));
            hasPalette = true;
        } else if (type == "tRNS" && length <= 256 && (colourType != kPaletteType || hasPalette)) {
            // Passed on as it is: the decoder judges it, as it always has.
            if (Status read = source.read(at, kHeaderBytes + length + 4, transparency); !read)
                return damaged(read.error);
        } else if (type == "IEND") {
            return damaged(QStringLiteral("it has no image data (IDAT)"));
        } else if (type.front() >= 'A' && type.front() <= 'Z' && type != "IHDR") {
            return damaged(QStringLiteral("it holds a critical chunk %1 at byte %2, which no "
                                          "PNG reader knows")
                               .arg(QString::fromLatin1(type))
                               .arg(at));
        }
    }

    // A palette picture whose pixels point past its palette is invalid, but the PNG reader
    // quietly shows those pixels in the palette's first colour. So the picture is read with its
    // palette filled out to every index its bit depth can hold, and the caller finds the pixels
    // that use the added entries by their index.
    paletteSize = -1;
    QByteArray head = kSignature.toByteArray() + start.mid(8, kHeaderBytes + 13 + 4);
    if (colourType == kPaletteType) {
        if (!hasPalette)
            return damaged(QStringLiteral("it is a palette picture without a palette (PLTE)"));
        if (palette.isEmpty())
            return Status::failure(QStringLiteral("its palette (PLTE) holds no colours, so no "
                                                  "pixel has a colour"));
        if (const qsizetype indices = qsizetype(1) << depth; palette.size() / 3 < indices) {
            paletteSize = int(palette.size() / 3);
            palette.append(QByteArray(3 * indices - palette.size(), '\0'));
        }
        head += chunk("PLTE", palette);
    }
    head += transparency;

    Rebuilt rebuilt(source, head, at, length, Rows(width, height, depth * channels, ihdr[16] == 1));
    rebuilt.open(QIODevice::ReadOnly);
    QImageReader reader(&rebuilt, "png");
    QImage read;
    QStringList messages;
    bool decoded = false;
    {
        CapturedMessages captured(messages);
        decoded = reader.read(&read);
    }
    if (!rebuilt.failure().isEmpty())
        return damaged(rebuilt.failure());
    if (!decoded)
        return damaged(
            reader.errorString()
            + (messages.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(messages.join(u"; "))));
    picture = std::move(read);
    return {};
}

} // namespace SheetPng
