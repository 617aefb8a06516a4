// IPS and BPS patches made and applied in memory: round trips, sizes and refusals.
#include "os/Crc32.h"
#include "patch/Bps.h"
#include "patch/BpsFormat.h"
#include "patch/Ips.h"
#include "patch/Patch.h"

#include <QtTest>

#include <random>

namespace {

// Bytes to put at an offset in place of `replaces` bytes (-1: as many as it puts): length copies
// of value, varied bytes if value is kVaried, random bytes (the same ones each time) if kRandom,
// each byte there changed if kFlipped, or the original's bytes from `from` if that is set. An
// edit marked `before` shapes the original instead, such as its padding.
constexpr int kVaried = -1;
constexpr int kRandom = -2;
constexpr int kFlipped = -3;
struct Edit
{
    qsizetype at = 0;
    qsizetype length = 0;
    int value = kVaried;
    qsizetype from = -1;
    qsizetype replaces = -1;
    bool before = false;
};

QByteArray varied(qsizetype size, int seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 167 + (i >> 9) + seed) & 0xFF);
    return bytes;
}

QByteArray edited(const QByteArray &original, qsizetype size, const QList<Edit> &edits,
                  bool before = false)
{
    QByteArray bytes = original;
    bytes.resize(size, '\0');
    for (const Edit &edit : edits) {
        if (edit.before != before)
            continue;
        QByteArray data
            = edit.value < 0 ? varied(edit.length, 99) : QByteArray(edit.length, char(edit.value));
        if (edit.from >= 0)
            data = original.mid(edit.from, edit.length);
        std::mt19937 random(7);
        for (qsizetype i = 0; edit.value < kVaried && i < edit.length; ++i)
            data[i] = char(edit.value == kRandom ? random()
                                                 : bytes[edit.at + i] ^ (1 + random() % 255));
        bytes.replace(edit.at, edit.replaces < 0 ? edit.length : edit.replaces, data);
    }
    return bytes;
}

QByteArray bpsFooter(QByteArray body, const QByteArray &source)
{
    auto putCrc = [&body](std::uint32_t crc) {
        for (int shift = 0; shift < 32; shift += 8)
            body += char((crc >> shift) & 0xFF);
    };
    putCrc(Crc32::of(source));
    putCrc(0);
    putCrc(Crc32::of(body));
    return body;
}

} // namespace

Q_DECLARE_METATYPE(QList<Edit>)

class TestPatches : public QObject
{
    Q_OBJECT

private slots:
    void crcOfTheStandardCheckString()
    {
        QCOMPARE(Crc32::of("123456789"), 0xCBF43926u);
        QCOMPARE(Crc32::update(Crc32::of("1234"), "56789"), 0xCBF43926u);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<qsizetype>("originalSize");
        QTest::addColumn<qsizetype>("editedSize");
        QTest::addColumn<QList<Edit>>("edits");
        QTest::addColumn<qsizetype>("maxPatchBytes"); // 0: no limit

        const qsizetype size = 128 * 1024;
        const qsizetype endAsOffset = 0x454F46; // "EOF" read as an offset
        for (const QString &format : { QStringLiteral("ips"), QStringLiteral("bps") }) {
            const auto row = [&](const char *name) {
                return &QTest::addRow("%s %s", qPrintable(format), name);
            };
            *row("identical") << format << size << size << QList<Edit> {} << qsizetype(0);
            *row("first and last byte")
                << format << size << size << QList<Edit> { { 0, 1, 0xA5 }, { size - 1, 1, 0x5A } }
                << qsizetype(0);
            *row("run of one byte") << format << size << size
                                    << QList<Edit> { { 0x4000, 5000, 0x42 } } << qsizetype(100);
            *row("record over 65535 bytes")
                << format << size << size << QList<Edit> { { 0x1000, 70000, -1 } } << qsizetype(0);
            *row("byte at 0x454F46") << format << endAsOffset + 64 << endAsOffset + 64
                                     << QList<Edit> { { endAsOffset, 1, 0x11 } } << qsizetype(0);
            *row("run from 0x454F46") << format << endAsOffset + 64 << endAsOffset + 64
                                      << QList<Edit> { { endAsOffset, 40, 0x07 } } << qsizetype(0);
            *row("run ending at 0x454F46")
                << format << endAsOffset + 64 << endAsOffset + 64
                << QList<Edit> { { endAsOffset - 30, 31, 0x07 } } << qsizetype(0);
            *row("longer") << format << size << size + 3000
                           << QList<Edit> { { size + 100, 10, 0x99 } } << qsizetype(0);
            *row("longer, ends in zeros")
                << format << size << size + 3000 << QList<Edit> {} << qsizetype(0);
            *row("shorter") << format << size << qsizetype(100000) << QList<Edit> { { 5, 3, 1 } }
                            << qsizetype(0);
            *row("empty") << format << size << qsizetype(0) << QList<Edit> {} << qsizetype(0);
            // Copies make these small in BPS; IPS can only write the bytes out.
            const auto bps = [&](qsizetype bytes) {
                return format == "bps" ? bytes : 0;
            };
            *row("37 bytes inserted")
                << format << size << size
                << QList<Edit> { { .at = 0x5000, .length = 37, .replaces = 0 } } << bps(100);
            *row("37 bytes deleted")
                << format << size << size << QList<Edit> { { .at = 0x5000, .replaces = 37 } }
                << bps(100);
            *row("block moved") << format << size << size
                                << QList<Edit> { { .at = 0x11000, .length = 0x8000, .from = 0x300 },
                                                 { .at = 0x300,
                                                   .length = 0x8000,
                                                   .from = 0x11000 } }
                                << bps(64);
            // Padding that a shifted copy runs over, unchanged in place too, stays in the copy.
            QList<Edit> padded { { .at = 0x1000, .length = 5, .replaces = 0 },
                                 { .at = 0x1E000, .replaces = 5 } };
            for (qsizetype at = 0x2000; at < size; at += 0x2000)
                padded.append({ .at = at, .length = 0x400, .value = 0xFF, .before = true });
            *row("inserted and deleted over padding")
                << format << size << size << padded << bps(48);
            *row("new data repeated") << format << size << size
                                      << QList<Edit> { { 0x3000, 3000, kRandom },
                                                       { 0x3000 + 3000, 3000, kRandom },
                                                       { 0x9000, 3000, kRandom } }
                                      << bps(3000 + 48);
            // Bytes the edited image already holds, inserted amid a shifted stretch: a target
            // copy of them, then the shifted copy on at distance 0, beats two source copies.
            *row("a target copy, then on at distance 0")
                << format << size << size
                << QList<Edit> { { .at = 0x3000,
                                   .length = 0x2000,
                                   .value = kRandom,
                                   .before = true },
                                 { .at = 0x1000, .replaces = 37 },
                                 { .at = 0x9000, .length = 21, .from = 0x4000, .replaces = 0 } }
                << bps(38);
            // Cells changed five bytes apart amid a shifted stretch: short copies between them.
            QList<Edit> cells { { .at = 0x1000, .length = 37, .replaces = 0 } };
            for (qsizetype at = 0x9000; at < 0x9000 + 60; at += 5)
                cells.append({ at, 1, kFlipped });
            *row("cells changed amid a shifted stretch")
                << format << size << size << cells << bps(97);
            // Neighbouring blocks of five bytes swapped: two short copies, the first of which
            // saves only a byte on its own, beat ten target bytes.
            *row("short blocks swapped")
                << format << size << size
                << QList<Edit> { { .at = 0x9000, .length = 5, .from = 0x9005 },
                                 { .at = 0x9005, .length = 5, .from = 0x9000 } }
                << bps(37);
            // Bounded by the sizes the common patchers make of these.
            const auto ips = [&](qsizetype bytes) {
                return format == "ips" ? bytes : 0;
            };
            QList<Edit> apart; // gaps of 1 to 6 unchanged bytes: all but the last are joined
            for (const qsizetype at : { 0, 2, 5, 9, 14, 20, 27 })
                apart.append({ 0x2000 + at, 1, kFlipped });
            *row("changes 2 to 7 bytes apart") << format << size << size << apart << ips(40);
            *row("fill over bytes already of its value")
                << format << size << size
                << QList<Edit> { { .at = 0x3064, .length = 20, .value = 0, .before = true },
                                 { .at = 0x312C, .length = 30, .value = 0, .before = true },
                                 { 0x3000, 600, 0 } }
                << ips(16);
            *row("short run") << format << size << size << QList<Edit> { { 0x4000, 9, 0x42 } }
                              << ips(16);
            *row("changes, a short gap, a run")
                << format << size << size << QList<Edit> { { 0x6000, 4 }, { 0x6009, 40, 0 } }
                << ips(25);
            *row("every byte changed")
                << format << size << size
                << QList<Edit> { { .at = 0, .length = size, .value = kFlipped } }
                << bps(size + size / 1000);
        }
    }

    void roundTrip()
    {
        QFETCH(QString, format);
        QFETCH(qsizetype, originalSize);
        QFETCH(qsizetype, editedSize);
        QFETCH(QList<Edit>, edits);
        QFETCH(qsizetype, maxPatchBytes);

        const QByteArray original = edited(varied(originalSize, 0), originalSize, edits, true);
        const QByteArray target = edited(original, editedSize, edits);
        QByteArray patch;
        const Status made = format == "ips" ? Ips::make(original, target, patch)
                                            : Bps::make(original, target, patch);
        QVERIFY2(made, qPrintable(made.error));
        if (maxPatchBytes > 0)
            QVERIFY2(patch.size() <= maxPatchBytes, qPrintable(QString::number(patch.size())));
        QByteArray inPlace;
        if (format == "bps" && Bps::makeInPlace(original, target, inPlace))
            QVERIFY(patch.size() <= inPlace.size());

        QByteArray output;
        const Status applied = Patch::apply(original, patch, output);
        QVERIFY2(applied, qPrintable(applied.error));
        QVERIFY(output == target);
    }

    // IPS carries no size, so what an image grows or shrinks to is what the common patchers
    // make of it: records past the end grow it over zeros, a longer truncation is no truncation.
    void ipsSizesAsCommonPatchersDo_data()
    {
        QTest::addColumn<QByteArray>("patch");
        QTest::addColumn<QByteArray>("result");

        const QByteArray zeros(4, '\0');
        QTest::newRow("record past the end")
            << QByteArray("PATCH\x00\x00\x14\x00\x02xyEOF", 15) << source() + zeros + "xy";
        QTest::newRow("run past the end") << QByteArray("PATCH\x00\x00\x13\x00\x00\x00\x03rEOF", 16)
                                          << source() + QByteArray("\0\0\0rrr", 6);
        QTest::newRow("truncation longer than the image")
            << QByteArray("PATCH\x00\x00\x10\x00\x01zEOF\x00\x01\x00", 17) << source() + "z";
        QTest::newRow("truncation shorter")
            << QByteArray("PATCHEOF\x00\x00\x05", 11) << source().left(5);
    }

    void ipsSizesAsCommonPatchersDo()
    {
        QFETCH(QByteArray, patch);
        QFETCH(QByteArray, result);
        QByteArray output;
        const Status applied = Ips::apply(source(), patch, output);
        QVERIFY2(applied, qPrintable(applied.error));
        QCOMPARE(output, result);
    }

    void refusesCorruptPatches_data()
    {
        QTest::addColumn<QByteArray>("patch");
        QTest::addColumn<QString>("reason");

        const QByteArray original = source();
        QTest::newRow("neither format") << QByteArray("HELLO") << "neither";
        QTest::newRow("ips without EOF") << QByteArray("PATCH\x00\x00\x01\x00\x02"
                                                       "ab",
                                                       12)
                                         << "without an EOF";
        QTest::newRow("ips data cut short") << QByteArray("PATCH\x00\x00\x01\x00\x05"
                                                          "ab",
                                                          12)
                                            << "only 2 remain";
        QTest::newRow("ips record header cut short")
            << QByteArray("PATCH\x00\x00", 7) << "truncated";
        QTest::newRow("ips empty run") << QByteArray("PATCH\x00\x00\x01\x00\x00\x00\x00\x41"
                                                     "EOF",
                                                     16)
                                       << "empty";
        QTest::newRow("ips bytes after EOF") << QByteArray("PATCHEOFab") << "unexpected";

        QByteArray target = original;
        target[3] = 'Z';
        QByteArray valid;
        QVERIFY(Bps::make(original, target, valid));
        QByteArray flipped = valid;
        flipped[6] = char(flipped[6] ^ 0x40);
        QTest::newRow("bps byte flipped") << flipped << "CRC32";
        QTest::newRow("bps cut short") << valid.chopped(2) << "truncated";
        QTest::newRow("bps shorter than its CRCs")
            << QByteArray("BPS1\x90\x90\x80", 7) << "truncated";
        // Hand-made patches with correct CRCs whose actions go wrong. Numbers below 128 are
        // one byte, 0x80 | n: the header is "BPS1", source size 16 (0x90), target size, no
        // metadata (0x80); an action is ((length - 1) << 2 | kind) with kinds SourceRead 0,
        // TargetRead 1, SourceCopy 2, TargetCopy 3.
        const auto bps = [&original](const auto &body) {
            return bpsFooter(QByteArray(body, sizeof(body) - 1), original);
        };
        QTest::newRow("bps source read past the source")
            << bps("BPS1\x90\x94\x80\xCC") << "reads past the end";
        QTest::newRow("bps target copy of unwritten bytes")
            << bps("BPS1\x90\x84\x80\x8F\x80") << "copies from past the end";
        QTest::newRow("bps source copy before the start")
            << bps("BPS1\x90\x84\x80\x8E\x83") << "before the start of the image";
        // A copy forward by 2^28 + 1 bytes, and a result larger than patch apply makes.
        const auto longNumber = [&original](const char *start, quint64 number, const char *end) {
            QByteArray body(start);
            Bps::putNumber(body, number);
            return bpsFooter(body + end, original);
        };
        QTest::newRow("bps source copy far past the image")
            << longNumber("BPS1\x90\x84\x80\x8E", (Bps::kMaxTarget + 1) << 1, "")
            << "copies from past the end of the image";
        QTest::newRow("bps target copy far past the result")
            << longNumber("BPS1\x90\x84\x80\x8F", (Bps::kMaxTarget + 1) << 1, "")
            << "copies from past the end of the result written so far";
        QTest::newRow("bps result over 256 MiB")
            << longNumber("BPS1\x90", Bps::kMaxTarget + 1, "\x80")
            << "268435457-byte result, more than the 256 MiB patch apply makes";
        QTest::newRow("bps target read past the patch") << bps("BPS1\x90\x94\x80\xCD"
                                                               "abc")
                                                        << "more bytes than the patch has left";
        QTest::newRow("bps action past the target") << bps("BPS1\x90\x84\x80\x9D"
                                                           "12345678")
                                                    << "writes past";
        QTest::newRow("bps actions stop short")
            << bps("BPS1\x90\x8A\x80\x90") << "make 5 of the 10";
        QTest::newRow("bps result with another CRC")
            << bps("BPS1\x90\x84\x80\x8C") << "result's CRC32";
    }

    void refusesCorruptPatches()
    {
        QFETCH(QByteArray, patch);
        QFETCH(QString, reason);
        QByteArray output("untouched");
        const Status applied = Patch::apply(source(), patch, output);
        QVERIFY(!applied);
        QVERIFY2(applied.error.contains(reason), qPrintable(applied.error));
        QCOMPARE(output, QByteArray("untouched"));
    }

private:
    static QByteArray source() { return QByteArray("0123456789abcdef"); }
};

QTEST_GUILESS_MAIN(TestPatches)
#include "tst_patches.moc"
