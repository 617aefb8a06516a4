// Timing of the tool's heavier commands on a 1 MiB image: the contact sheet, patch making and
// three patches combined;
// then patch making on a 4 MiB image, the BPS patch sizes of typical edits, of a corpus of random
// ones and of both formats on a corpus with a wider mix and on one of edits close together, and
// peak memory; then tiles import, as its own process, on the most hostile sheets.
#include "TestImages.h"
#include "base/Hex.h"
#include "cli/Commands.h"
#include "os/Crc32.h"
#include "patch/Bps.h"
#include "patch/Ips.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <numeric>
#include <random>
#include <spawn.h>
#include <string_view>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>
#include <zlib.h>

namespace {

QByteArray image(qsizetype size)
{
    QByteArray bytes = TestImages::patterned();
    const qsizetype patternedSize = bytes.size();
    bytes.resize(size);
    for (qsizetype i = patternedSize; i < size; ++i)
        bytes[i] = char((i * 167 + (i >> 9)) & 0xFF);
    return bytes;
}

// A typical session's edit: some cells in several levels and a stretch of other data.
QByteArray typicalEdit(QByteArray bytes)
{
    for (int level = 1; level <= 46; level += 5)
        bytes[0x14001 + 340 * (level - 1) + 100] = char(level);
    bytes.replace(0x40000, 4096, QByteArray(4096, '\x55'));
    return bytes;
}

QByteArray inserted(QByteArray bytes)
{
    return bytes.insert(0x50000, QByteArray("thirty-seven bytes of new level data!"));
}

QByteArray everyByteChanged(QByteArray bytes)
{
    std::mt19937 random(7);
    for (char &byte : bytes)
        byte = char(byte ^ (1 + random() % 255));
    return bytes;
}

// A ROM-like image: each 16 KiB bank holds code-like bytes, tiles repeated from earlier in the
// bank, text and runs of 0x00 or 0xFF, then 0xFF padding to its end.
QByteArray romLike(std::mt19937 &random, qsizetype size)
{
    QByteArray bytes(size, '\xFF');
    for (qsizetype bank = 0; bank < size; bank += 0x4000) {
        const qsizetype end = bank + 0x4000 - qsizetype(random() % 0x2000);
        for (qsizetype at = bank; at < end;) {
            const qsizetype length = std::min<qsizetype>(16 + random() % 600, end - at);
            const unsigned kind = random() % 4;
            const char run = random() % 2 ? '\0' : '\xFF';
            qsizetype tile = bank;
            for (qsizetype i = 0; i < length; ++i) {
                if (kind == 1 && i % 16 == 0)
                    tile = bank + 16 * qsizetype(random() % (1 + (at - bank) / 16));
                bytes[at + i] = kind == 0 ? char(random())
                    : kind == 1           ? bytes[tile + i % 16]
                    : kind == 2           ? char('A' + random() % 26)
                                          : run;
            }
            at += length;
        }
    }
    return bytes;
}

// One edit, of the first `kinds` of these: bytes inserted, deleted, moved elsewhere, changed in
// place, or repeated from elsewhere over other bytes; bytes changed a few apart, as cells of a
// level are; a stretch filled with one value; the image grown by padding and new data at its end,
// as a ROM is expanded.
void randomEdit(std::mt19937 &random, QByteArray &bytes, unsigned kinds)
{
    const auto anywhere = [&](qsizetype length) {
        return qsizetype(random() % std::uint32_t(bytes.size() - length));
    };
    const std::uint32_t longest = random() % 2 ? 64 : 4096;
    const qsizetype length = 1 + qsizetype(random() % longest);
    const qsizetype at = anywhere(length);
    QByteArray block = bytes.mid(at, length);
    switch (random() % kinds) {
    case 0:
        for (char &byte : block)
            byte = char(random());
        bytes.insert(anywhere(0), block);
        break;
    case 1:
        bytes.remove(at, length);
        break;
    case 2:
        bytes.remove(at, length);
        bytes.insert(anywhere(0), block);
        break;
    case 3:
        for (qsizetype i = 0; i < std::min<qsizetype>(length, 16); ++i)
            bytes[at + i] = char(bytes[at + i] ^ (1 + random() % 255));
        break;
    case 4:
        bytes.replace(anywhere(length), length, block);
        break;
    case 5:
        for (qsizetype i = at; i < at + length; i += 1 + qsizetype(random() % 12))
            bytes[i] = char(bytes[i] ^ (1 + random() % 255));
        break;
    case 6: {
        const unsigned value = random() % 3;
        std::fill_n(bytes.begin() + at, length,
                    value == 0       ? '\0'
                        : value == 1 ? '\xFF'
                                     : char(random()));
        break;
    }
    default:
        for (char &byte : block)
            byte = char(random());
        bytes += QByteArray(length, '\xFF') + block;
    }
}

// One to ten edits of randomEdit's first `kinds` kinds. Returns how many.
int randomEdits(std::mt19937 &random, QByteArray &bytes, unsigned kinds = 5)
{
    const int count = 1 + int(random() % 10);
    for (int edit = 0; edit < count; ++edit)
        randomEdit(random, bytes, kinds);
    return count;
}

// Two to eight edits close together, as one change to a routine or a table makes, of kinds and
// sizes randomEdit leaves out: bytes copied in from nearby, a few bytes inserted, deleted or
// changed, little-endian pointers moved by an insertion's length, neighbouring blocks swapped,
// a short stretch filled with one value and stretches overwritten from nearby; at the image's
// start, its end, a bank's start or anywhere. Returns how many.
int closeEdits(std::mt19937 &random, QByteArray &bytes)
{
    const int count = 2 + int(random() % 7);
    const unsigned place = random() % 4;
    qsizetype centre = place == 0 ? 0
        : place == 1              ? bytes.size()
        : place == 2              ? 0x4000 * qsizetype(random() % (bytes.size() / 0x4000))
                                  : qsizetype(random() % bytes.size());
    for (int edit = 0; edit < count; ++edit) {
        const qsizetype length
            = 1 + qsizetype(random() % std::array { 8, 8, 40, 300 }[random() % 4]);
        const qsizetype at = std::clamp<qsizetype>(centre + qsizetype(random() % 256) - 128, 0,
                                                   bytes.size() - 2 * length);
        const qsizetype near
            = std::clamp<qsizetype>(at + qsizetype(random() % 512) - 256, 0, bytes.size() - length);
        switch (random() % 8) {
        case 0:
            bytes.insert(at, bytes.mid(near, length));
            break;
        case 1:
            bytes.remove(at, length);
            break;
        case 2:
            bytes.insert(at, QByteArray(length, '\0'));
            for (qsizetype i = at; i < at + length; ++i)
                bytes[i] = char(random());
            break;
        case 3:
            for (qsizetype i = at; i < at + std::min<qsizetype>(length, 4); ++i)
                bytes[i] = char(random());
            break;
        case 4:
            for (qsizetype i = at; i + 1 < at + 2 * length; i += 2) {
                const int pointer
                    = (std::uint8_t(bytes[i]) | std::uint8_t(bytes[i + 1]) << 8) + int(length);
                bytes[i] = char(pointer);
                bytes[i + 1] = char(pointer >> 8);
            }
            break;
        case 5:
            bytes.replace(at, 2 * length, bytes.mid(at + length, length) + bytes.mid(at, length));
            break;
        case 6:
            std::fill_n(bytes.begin() + at, std::min<qsizetype>(length, 40), char(random()));
            break;
        default:
            bytes.replace(at, length, bytes.mid(near, length));
        }
        centre = at;
    }
    return count;
}

// The number of actions in a BPS patch.
int actionCount(const QByteArray &patch)
{
    qsizetype at = 4;
    const auto number = [&] {
        quint64 value = 0;
        for (quint64 shift = 1;; shift <<= 7) {
            const auto byte = static_cast<std::uint8_t>(patch[at++]);
            value += (byte & 0x7F) * shift;
            if (byte & 0x80)
                return value;
            value += shift << 7;
        }
    };
    number();
    number();
    at += qsizetype(number());
    int count = 0;
    for (; at < patch.size() - 12; ++count) {
        const quint64 word = number();
        if ((word & 3) == 1)
            at += qsizetype(word >> 2) + 1;
        else if ((word & 3) > 1)
            number();
    }
    return count;
}

QByteArray pngChunk(QByteArrayView type, QByteArrayView data)
{
    QByteArray out(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), out.data());
    out += type;
    out += data;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(Crc32::of(QByteArrayView(out).sliced(4)), crc.data());
    return out + crc;
}

// A PNG of size x size (or size x height) RGBA pixels, 16 bits a sample, all white, its rows
// deflated at level (0: stored), then zeroBytes more zeros in the same zlib stream: the steady
// output of a MiB of zeros is repeated, as a bomb's maker would.
QByteArray whiteSheet(int size, int level, qint64 zeroBytes, int height = 0)
{
    height = height > 0 ? height : size;
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(quint32(size), header.data());
    qToBigEndian<quint32>(quint32(height), header.data() + 4);
    header[8] = 16;
    header[9] = 6;
    z_stream zlib {};
    deflateInit(&zlib, level);
    QByteArray data;
    const auto deflateAll = [&](QByteArray input, int flush) {
        const qsizetype start = data.size();
        zlib.next_in = reinterpret_cast<Bytef *>(input.data());
        zlib.avail_in = uInt(input.size());
        do {
            char out[65536];
            zlib.next_out = reinterpret_cast<Bytef *>(out);
            zlib.avail_out = sizeof out;
            deflate(&zlib, flush);
            data.append(out, qsizetype(sizeof out - zlib.avail_out));
        } while (zlib.avail_out == 0);
        return data.mid(start);
    };
    const QByteArray row = '\0' + QByteArray(size * 8, '\xFF');
    for (int y = 0; y < height; ++y)
        deflateAll(row, Z_NO_FLUSH);
    const qint64 mib = 1024 * 1024;
    // From the second MiB on the window holds only zeros, so each MiB deflates the same.
    QByteArray steady;
    for (qint64 zeros = 0; zeros < zeroBytes; zeros += mib) {
        if (zeros < 2 * mib)
            steady = deflateAll(QByteArray(mib, '\0'), Z_SYNC_FLUSH);
        else
            data += steady;
    }
    deflateAll({}, Z_FINISH);
    deflateEnd(&zlib);
    QByteArray png = QByteArray("\x89PNG\r\n\x1a\n") + pngChunk("IHDR", header);
    for (qsizetype at = 0; at < data.size(); at += 1 << 20)
        png += pngChunk("IDAT", QByteArrayView(data).sliced(at, qMin(data.size() - at, 1 << 20)));
    return png + pngChunk("IEND", {});
}

// The sheet with the first count bytes of its image data each in an IDAT chunk of its own, the
// rest in one more.
QByteArray inOneByteChunks(const QByteArray &png, qsizetype count)
{
    const qsizetype first = png.indexOf("IDAT") - 4, end = png.lastIndexOf("IEND") - 4;
    QByteArray data;
    for (qsizetype at = first; at < end;) {
        const qsizetype length = qFromBigEndian<quint32>(png.constData() + at);
        data += png.mid(at + 8, length);
        at += 12 + length;
    }
    QByteArray chunks;
    chunks.reserve(count * 13 + data.size());
    for (qsizetype i = 0; i < count; ++i)
        chunks += pngChunk("IDAT", QByteArrayView(data).sliced(i, 1));
    chunks += pngChunk("IDAT", QByteArrayView(data).sliced(count));
    return png.left(first) + chunks + png.mid(end);
}

// The sheet with the last byte of its zlib stream (its check value) changed, the CRC to match.
QByteArray damagedStream(const QByteArray &png)
{
    const qsizetype end = png.lastIndexOf("IEND") - 4; // the last IDAT ends here
    const qsizetype at = png.lastIndexOf("IDAT", end) - 4;
    const qsizetype length = qFromBigEndian<quint32>(png.constData() + at);
    QByteArray data = png.mid(at + 8, length);
    data.back() = char(data.back() ^ 1);
    return QByteArray(png).replace(at, 12 + length, pngChunk("IDAT", data));
}

// The number of records in an IPS patch.
int recordCount(const QByteArray &patch)
{
    int count = 0;
    for (qsizetype at = 5; patch.mid(at, 3) != "EOF"; ++count) {
        const auto byte = [&](qsizetype i) {
            return static_cast<std::uint8_t>(patch[at + i]);
        };
        const qsizetype size = byte(3) << 8 | byte(4);
        at += size == 0 ? 8 : 5 + size;
    }
    return count;
}

} // namespace

class BenchTool : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QByteArray original = image(1024 * 1024);
        QVERIFY(TestImages::write(path("original.gb"), original));
        QVERIFY(TestImages::write(path("edited.gb"), typicalEdit(original)));
        const QByteArray large = image(4 * 1024 * 1024);
        QVERIFY(TestImages::write(path("original-4m.gb"), large));
        QVERIFY(TestImages::write(path("edited-4m.gb"), typicalEdit(large)));
        QVERIFY(TestImages::write(path("inserted-4m.gb"), inserted(large)));
        QVERIFY(TestImages::write(path("changed-4m.gb"), everyByteChanged(large)));
    }

    void renderAll()
    {
        QBENCHMARK
        {
            QCOMPARE(
                Commands::run({ "render", path("original.gb"), "--all", "-o", path("all.png") })
                    .exitCode,
                Commands::kExitOk);
        }
    }

    void patchMake_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("original");
        QTest::addColumn<QString>("edited");
        const auto row
            = [](const char *name, const char *format, const char *original, const char *edited) {
                  QTest::newRow(name) << QString(format) << QString(original) << QString(edited);
              };
        row("ips", "ips", "original.gb", "edited.gb");
        row("bps", "bps", "original.gb", "edited.gb");
        row("bps 4 MiB", "bps", "original-4m.gb", "edited-4m.gb");
        row("bps 4 MiB insertion", "bps", "original-4m.gb", "inserted-4m.gb");
        row("bps 4 MiB every byte", "bps", "original-4m.gb", "changed-4m.gb");
    }

    void patchMake()
    {
        QFETCH(QString, format);
        QFETCH(QString, original);
        QFETCH(QString, edited);
        const QString patch = path("p." + format);
        QBENCHMARK
        {
            QCOMPARE(Commands::run({ "patch", "make", path(original), path(edited), "-o", patch })
                         .exitCode,
                     Commands::kExitOk);
        }
    }

    // Not timed: prints "patch_bytes CASE BYTES IN_PLACE_BYTES TARGET" lines for tools/bench.sh.
    void patchSizes()
    {
        const QByteArray original = image(1024 * 1024);
        QByteArray moved = original;
        moved.replace(0x80000, 0x10000, original.mid(0x20123, 0x10000));
        QByteArray cells = original;
        for (int cell = 0; cell < 40; ++cell)
            cells[0x14001 + 340 * cell + cell % 20] = char(0x80 + cell);
        const struct
        {
            const char *name;
            QByteArray edited;
            qsizetype target;
        } cases[] = { { "37-bytes-inserted", inserted(original), 100 },
                      { "64-KiB-block-copied", moved, 64 },
                      { "40-cells-in-place", cells, 0 },
                      { "every-byte-differs", everyByteChanged(original),
                        original.size() + original.size() / 1000 } };
        for (const auto &edit : cases) {
            QByteArray patch, inPlace;
            QVERIFY(Bps::make(original, edit.edited, patch));
            QVERIFY(Bps::makeInPlace(original, edit.edited, inPlace));
            std::printf("patch_bytes %s %lld %lld %lld\n", edit.name,
                        static_cast<long long>(patch.size()),
                        static_cast<long long>(inPlace.size()),
                        static_cast<long long>(edit.target ? edit.target : inPlace.size()));
        }
    }

    // Not timed: prints "patch_corpus CASES ACTIONS_PER_EDIT MEDIAN_BYTES WORST_BYTES MS_PER_PATCH"
    // for random edits of ROM-like images. With DORRIK_BENCH_CORPUS set to a folder, each case's
    // images and patch are written there, to compare with other patchers by hand.
    void patchCorpus()
    {
        const QString folder = qEnvironmentVariable("DORRIK_BENCH_CORPUS");
        std::mt19937 random(20240611);
        const int cases = 200;
        int edits = 0, actions = 0;
        std::vector<qsizetype> sizes;
        qint64 nanoseconds = 0;
        for (int i = 0; i < cases; ++i) {
            const QByteArray original = romLike(random, 1024 * 1024);
            QByteArray edited = original;
            edits += randomEdits(random, edited);
            QByteArray patch, inPlace, applied;
            QElapsedTimer timer;
            timer.start();
            QVERIFY(Bps::make(original, edited, patch));
            nanoseconds += timer.nsecsElapsed();
            QVERIFY(Bps::makeInPlace(original, edited, inPlace));
            QVERIFY(patch.size() <= inPlace.size());
            QVERIFY(Bps::apply(original, patch, applied) && applied == edited);
            actions += actionCount(patch);
            sizes.push_back(patch.size());
            const QString name = QStringLiteral("%1/%2-").arg(folder).arg(i, 3, 10, QChar('0'));
            QVERIFY(folder.isEmpty()
                    || (TestImages::write(name + "original.gb", original)
                        && TestImages::write(name + "edited.gb", edited)
                        && TestImages::write(name + "patch.bps", patch)));
        }
        std::sort(sizes.begin(), sizes.end());
        std::printf("patch_corpus %d %.2f %lld %lld %.1f\n", cases, double(actions) / edits,
                    static_cast<long long>(sizes[sizes.size() / 2]),
                    static_cast<long long>(sizes.back()), double(nanoseconds) / cases / 1e6);
    }

    void patchMixed_data()
    {
        QTest::addColumn<QString>("mix");
        QTest::newRow("mixed") << QString("mixed");
        QTest::newRow("close") << QString("close");
    }

    // Not timed: prints "patch_MIX FORMAT CASES ACTIONS_PER_EDIT TOTAL_BYTES MEDIAN_BYTES
    // WORST_BYTES MS_PER_PATCH" for each format, on random edits of ROM-like images of 64 KiB to
    // 1 MiB: for "mixed", from randomEdit's whole mix (an IPS record counts as an action); for
    // "close", closeEdits'. With DORRIK_BENCH_CORPUS set, each case's images and patches are
    // written there as MIX-NNN-*.
    void patchMixed()
    {
        QFETCH(QString, mix);
        const bool close = mix == "close";
        const QString folder = qEnvironmentVariable("DORRIK_BENCH_CORPUS");
        std::mt19937 random(close ? 20261208 : 20250301);
        const int cases = close ? 300 : 200;
        int edits = 0;
        struct Totals
        {
            const char *format;
            int actions = 0;
            std::vector<qsizetype> sizes;
            qint64 nanoseconds = 0;
        } totals[] = { { "ips", 0, {}, 0 }, { "bps", 0, {}, 0 } };
        for (int i = 0; i < cases; ++i) {
            const QByteArray original = romLike(random, 0x4000 * (4 + qsizetype(random() % 61)));
            QByteArray edited = original;
            edits += close ? closeEdits(random, edited) : randomEdits(random, edited, 8);
            const QString name
                = QStringLiteral("%1/%2-%3-").arg(folder, mix).arg(i, 3, 10, QChar('0'));
            QVERIFY(folder.isEmpty()
                    || (TestImages::write(name + "original.gb", original)
                        && TestImages::write(name + "edited.gb", edited)));
            for (Totals &format : totals) {
                const bool ips = format.format == std::string_view("ips");
                QByteArray patch, applied;
                QElapsedTimer timer;
                timer.start();
                QVERIFY(ips ? Ips::make(original, edited, patch)
                            : Bps::make(original, edited, patch));
                format.nanoseconds += timer.nsecsElapsed();
                QVERIFY(ips ? Ips::apply(original, patch, applied)
                            : Bps::apply(original, patch, applied));
                QVERIFY(applied == edited);
                format.actions += ips ? recordCount(patch) : actionCount(patch);
                format.sizes.push_back(patch.size());
                QVERIFY(folder.isEmpty()
                        || TestImages::write(name + "patch." + format.format, patch));
            }
        }
        for (Totals &format : totals) {
            std::sort(format.sizes.begin(), format.sizes.end());
            std::printf("patch_%s %s %d %.2f %lld %lld %lld %.2f\n", qPrintable(mix), format.format,
                        cases, double(format.actions) / edits,
                        static_cast<long long>(std::accumulate(format.sizes.begin(),
                                                               format.sizes.end(), qsizetype(0))),
                        static_cast<long long>(format.sizes[format.sizes.size() / 2]),
                        static_cast<long long>(format.sizes.back()),
                        double(format.nanoseconds) / cases / 1e6);
        }
    }

    void peakMemory()
    {
        rusage usage {};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("peak_rss_mb %.1f\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
        std::fflush(stdout);
    }

    // Three patches, IPS and BPS, of the typical edit split apart, combined into an image.
    void patchCombine()
    {
        const QByteArray original = image(1024 * 1024);
        const QByteArray edited = typicalEdit(original);
        const QStringList patches { path("cells.ips"), path("bank.bps"), path("rest.bps") };
        const qsizetype cut[] = { 0, 0x20000, 0x40800, original.size() };
        for (int i = 0; i < 3; ++i) {
            QByteArray part = original;
            part.replace(cut[i], cut[i + 1] - cut[i], edited.mid(cut[i], cut[i + 1] - cut[i]));
            QVERIFY(TestImages::write(path("part.gb"), part));
            QCOMPARE(Commands::run({ "patch", "make", path("original.gb"), path("part.gb"), "-o",
                                     patches[i] })
                         .exitCode,
                     Commands::kExitOk);
        }
        QBENCHMARK
        {
            QCOMPARE(Commands::run(QStringList { "patch", "combine", path("original.gb") } + patches
                                   + QStringList { "-o", path("combined.gb") })
                         .exitCode,
                     Commands::kExitOk);
        }
        QVERIFY(TestImages::read(path("combined.gb")) == edited);
    }

    // Not timed: random edits of cells, tiles and other bytes split among two or three patches
    // combine back to the edited image; with a cell and a tile set differently by the first two,
    // both are listed and nothing is written. Prints "combine_roundtrip CASES COLLISIONS".
    void combineRoundTrip()
    {
        std::mt19937 random(11);
        const QByteArray original = TestImages::patterned();
        QVERIFY(TestImages::write(path("rt.gb"), original));
        const qsizetype cell = RomLayout::levelOffset(7) + RomLayout::cellIndex(4, 9);
        const qsizetype tile = RomLayout::tileOffset(8) + 5;
        const QStringList clash { "tile 08: rt-a.ips and rt-b.bps both change its graphics",
                                  QStringLiteral(
                                      "level 7 (4,9): rt-a.ips sets %1, rt-b.bps sets %2")
                                      .arg(Hex::digits(std::uint8_t(original[cell] ^ 1), 2),
                                           Hex::digits(std::uint8_t(original[cell] ^ 2), 2)) };
        const qsizetype starts[]
            = { RomLayout::kLevelRegionStart, RomLayout::kTileRegionStart, 0x150 };
        const qsizetype spans[] = { RomLayout::kLevelBytes * RomLayout::kLevelCount, 4096, 0x4000 };
        int listed = 0;
        for (int round = 0; round < 20; ++round) {
            const bool colliding = round % 4 == 3;
            QList<QByteArray> parts(2 + round % 2, original);
            QByteArray edited = original;
            for (int edit = 0; edit < 33; ++edit) {
                const qsizetype at = starts[edit % 3] + qsizetype(random() % spans[edit % 3]);
                for (QByteArray &part : parts) // the last edit of a byte takes it
                    part[at] = original[at];
                edited[at] = parts[random() % parts.size()][at] = char(random());
            }
            for (const qsizetype at : { cell, tile }) {
                for (qsizetype i = 0; colliding && i < parts.size(); ++i)
                    parts[i][at] = char(i < 2 ? original[at] ^ (i + 1) : original[at]);
            }
            QStringList arguments { "patch", "combine", path("rt.gb"), "-o", path("rt-out.gb") };
            for (qsizetype i = 0; i < parts.size(); ++i) {
                arguments.append(path(QStringList { "rt-a.ips", "rt-b.bps", "rt-c.ips" }[i]));
                QVERIFY(TestImages::write(path("part.gb"), parts[i]));
                QCOMPARE(Commands::run({ "patch", "make", path("rt.gb"), path("part.gb"), "-o",
                                         arguments.last() })
                             .exitCode,
                         Commands::kExitOk);
            }
            QFile::remove(path("rt-out.gb"));
            const Commands::Outcome outcome = Commands::run(arguments);
            QCOMPARE(outcome.exitCode, colliding ? Commands::kExitError : Commands::kExitOk);
            QCOMPARE(QFileInfo::exists(path("rt-out.gb")), !colliding);
            if (colliding) {
                QCOMPARE(QString::fromUtf8(outcome.output).remove(m_dir.path() + '/'),
                         clash.join('\n') + '\n');
                listed += int(clash.size());
            } else {
                QVERIFY(TestImages::read(path("rt-out.gb")) == edited);
            }
        }
        std::printf("combine_roundtrip 20 %d\n", listed);
    }

    // Not timed by QBENCHMARK, and after peakMemory, whose figure is that of the commands run in
    // this process: prints "sheet CASE SECONDS PEAK_MB EXIT BYTES" for tiles import run as a
    // process of its own on each sheet, the worst of all first.
    void hostileSheets()
    {
        const qint64 gib = 1024 * 1024 * 1024;
        const struct
        {
            const char *name;
            QByteArray png;
        } sheets[] = { { "largest-sheet+8-GiB-of-zeros", whiteSheet(2048, 1, 8 * gib) },
                       { "largest-sheet-stored", whiteSheet(2048, 0, 0) },
                       { "4096x4096-16-bit", whiteSheet(4096, 9, 0) },
                       { "5-million-empty-chunks",
                         whiteSheet(128, 9, 0).insert(33, pngChunk("zzzz", {}).repeated(5000000)) },
                       { "5-million-one-byte-IDAT-chunks",
                         inOneByteChunks(whiteSheet(2048, 0, 0, 384), 5000000) },
                       { "largest-sheet-damaged-stream", damagedStream(whiteSheet(2048, 9, 0)) } };
        for (const auto &sheet : sheets) {
            QVERIFY(TestImages::write(path("sheet.png"), sheet.png));
            QVERIFY(TestImages::write(path("sheet.gb"), image(1024 * 1024)));
            QProcess measured;
            measured.start(QCoreApplication::applicationFilePath(),
                           { "--measure", DORRIK_TOOL_PATH, "tiles", "import", path("sheet.gb"),
                             path("sheet.png") });
            QVERIFY(measured.waitForFinished(60000));
            const QList<QByteArray> result = measured.readAllStandardOutput().split(' ');
            QCOMPARE(result.size(), 3);
            std::printf("sheet %s %.3f %.1f %d %lld\n", sheet.name, result[0].toDouble(),
                        result[1].toDouble() / 1024.0, result[2].trimmed().toInt(),
                        static_cast<long long>(sheet.png.size()));
        }
    }

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

// "--measure PROGRAM ARGUMENTS...": runs PROGRAM, its output dropped, and prints "SECONDS PEAK_KB
// EXIT". A child's peak memory counts that of the process it was started from, so the child is
// started from this fresh process, not from the benchmark with its images in memory.
int measure(char **arguments)
{
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    timespec start {}, end {};
    clock_gettime(CLOCK_MONOTONIC, &start);
    pid_t child = 0;
    if (posix_spawn(&child, arguments[0], &quiet, nullptr, arguments, environ) != 0)
        return 2;
    int status = 0;
    rusage usage {};
    if (wait4(child, &status, 0, &usage) != child)
        return 2;
    clock_gettime(CLOCK_MONOTONIC, &end);
    std::printf("%.3f %ld %d",
                double(end.tv_sec - start.tv_sec) + double(end.tv_nsec - start.tv_nsec) / 1e9,
                usage.ru_maxrss, WEXITSTATUS(status));
    return 0;
}

int main(int argc, char *argv[])
{
    if (argc > 2 && std::strcmp(argv[1], "--measure") == 0)
        return measure(argv + 2);
    QCoreApplication app(argc, argv);
    BenchTool bench;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&bench, argc, argv);
}
#include "bench_tool.moc"
