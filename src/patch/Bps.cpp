// Writing and checking BPS patches.
#include "Bps.h"

#include "BpsEncoder.h"
#include "BpsFormat.h"
#include "base/Hex.h"
#include "os/Crc32.h"

#include <QString>

namespace Bps {
namespace {

constexpr QByteArrayView kMagic = "BPS1";
constexpr qsizetype kFooterBytes = 12; // three CRC32s
// Repeats shorter than this cost less as plain target bytes than as a copy action.
constexpr qsizetype kMinRepeat = 8;
// Unchanged stretches up to this long inside a change are carried along as target bytes.
constexpr qsizetype kMaxBridge = 4;

void putCrc(QByteArray &out, std::uint32_t crc)
{
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>((crc >> shift) & 0xFF);
}

std::uint32_t getCrc(QByteArrayView in, qsizetype at)
{
    std::uint32_t crc = 0;
    for (int i = 3; i >= 0; --i)
        crc = crc << 8 | static_cast<std::uint8_t>(in[at + i]);
    return crc;
}

void putAction(QByteArray &out, Action action, qsizetype length)
{
    putNumber(out, actionWord(action, length));
}

// The magic and the sizes, without metadata.
QByteArray header(QByteArrayView original, QByteArrayView edited)
{
    QByteArray out(kMagic.toByteArray());
    putNumber(out, original.size());
    putNumber(out, edited.size());
    putNumber(out, 0); // no metadata
    return out;
}

// The three CRCs that close a patch: the original's, the result's, and the patch's own.
void putFooter(QByteArray &out, QByteArrayView original, QByteArrayView edited)
{
    putCrc(out, Crc32::of(original));
    putCrc(out, Crc32::of(edited));
    putCrc(out, Crc32::of(out));
}

// Reads the patch's numbers, never past the start of its CRCs.
class Reader
{
public:
    Reader(QByteArrayView patch, qsizetype end)
        : m_patch(patch)
        , m_end(end)
    { }

    qsizetype position() const { return m_position; }
    bool atEnd() const { return m_position >= m_end; }
    void skip(qsizetype bytes) { m_position += bytes; }
    qsizetype left() const { return m_end - m_position; }

    // False for a number that runs into the CRCs or exceeds 2^56.
    bool number(quint64 &value)
    {
        quint64 result = 0;
        quint64 shift = 1;
        for (int i = 0; i < 8; ++i) {
            if (m_position >= m_end)
                return false;
            const std::uint8_t byte = static_cast<std::uint8_t>(m_patch[m_position++]);
            result += (byte & 0x7F) * shift;
            if (byte & 0x80) {
                value = result;
                return true;
            }
            shift <<= 7;
            result += shift;
        }
        return false;
    }

private:
    QByteArrayView m_patch;
    qsizetype m_end;
    qsizetype m_position = 0;
};

Status corrupt(const QString &reason)
{
    return Status::failure(QStringLiteral("the patch is corrupt: ") + reason);
}

// Emits edited[start, end), which differs from the original, as target reads, with runs of
// one byte turned into copies of the byte written just before them.
void writeChanged(QByteArray &out, QByteArrayView edited, qsizetype start, qsizetype end,
                  qsizetype &targetOffset)
{
    qsizetype literal = start;
    qsizetype at = start;
    while (at < end) {
        qsizetype next = at + 1;
        while (next < end && edited[next] == edited[at])
            ++next;
        if (next - at > kMinRepeat) {
            // The first byte of the run is read; the rest copies it forward one by one.
            putAction(out, TargetRead, at + 1 - literal);
            out += edited.sliced(literal, at + 1 - literal);
            const qsizetype delta = at - targetOffset;
            putAction(out, TargetCopy, next - at - 1);
            putNumber(out, static_cast<quint64>(delta < 0 ? -delta : delta) << 1 | (delta < 0));
            targetOffset = next - 1;
            literal = next;
        }
        at = next;
    }
    if (literal < end) {
        putAction(out, TargetRead, end - literal);
        out += edited.sliced(literal, end - literal);
    }
}

// The actions of a patch without copies from elsewhere: unchanged stretches at the same offset
// become source reads, changed ones target reads.
void putInPlaceActions(QByteArray &out, QByteArrayView original, QByteArrayView edited)
{
    const auto same = [&](qsizetype i) {
        return i < original.size() && original[i] == edited[i];
    };
    qsizetype targetOffset = 0; // where the next target copy reads, as the reader tracks it
    qsizetype at = 0;
    while (at < edited.size()) {
        qsizetype end = at + 1;
        if (same(at)) {
            while (end < edited.size() && same(end))
                ++end;
            putAction(out, SourceRead, end - at);
            at = end;
            continue;
        }
        // A few unchanged bytes between changes cost less as target bytes than as two more
        // actions, and keep a run of one byte in one piece.
        for (;;) {
            while (end < edited.size() && !same(end))
                ++end;
            qsizetype unchanged = end;
            while (unchanged < edited.size() && same(unchanged) && unchanged - end < kMaxBridge)
                ++unchanged;
            if (unchanged == edited.size() || same(unchanged))
                break;
            end = unchanged;
        }
        writeChanged(out, edited, at, end, targetOffset);
        at = end;
    }
}

} // namespace

bool isBps(QByteArrayView patch)
{
    return patch.startsWith(kMagic);
}

Status make(QByteArrayView original, QByteArrayView edited, QByteArray &patch)
{
    QByteArray inPlace = header(original, edited);
    putInPlaceActions(inPlace, original, edited);
    QByteArray copying = header(original, edited);
    // Copies win wherever data moved or repeats; where they cannot help (bytes changed in place)
    // or the images are too large to index, the in-place actions stand, so no patch is larger.
    // The CRCs are computed once, for the patch that is kept.
    QByteArray &out
        = BpsEncoder::actions(original, edited, copying) && copying.size() < inPlace.size()
        ? copying
        : inPlace;
    putFooter(out, original, edited);
    patch = std::move(out);
    return {};
}

Status makeInPlace(QByteArrayView original, QByteArrayView edited, QByteArray &patch)
{
    QByteArray out = header(original, edited);
    putInPlaceActions(out, original, edited);
    putFooter(out, original, edited);
    patch = std::move(out);
    return {};
}

Status apply(QByteArrayView original, QByteArrayView patch, QByteArray &output)
{
    if (!isBps(patch))
        return Status::failure(QStringLiteral("it is not a BPS patch"));
    if (patch.size() < kMagic.size() + 3 + kFooterBytes)
        return Status::failure(
            QStringLiteral("the patch is truncated: it is only %1 bytes long").arg(patch.size()));
    const qsizetype footer = patch.size() - kFooterBytes;
    const std::uint32_t storedPatchCrc = getCrc(patch, patch.size() - 4);
    const std::uint32_t patchCrc = Crc32::of(patch.first(patch.size() - 4));
    if (patchCrc != storedPatchCrc)
        return Status::failure(
            QStringLiteral("the patch is corrupt or truncated: its contents have CRC32 %1, "
                           "but it records %2")
                .arg(Hex::digits(patchCrc, 8), Hex::digits(storedPatchCrc, 8)));

    Reader reader(patch, footer);
    reader.skip(kMagic.size());
    quint64 sourceSize = 0, targetSize = 0, metadataSize = 0;
    if (!reader.number(sourceSize) || !reader.number(targetSize) || !reader.number(metadataSize))
        return corrupt(QStringLiteral("its size fields are unreadable"));
    if (metadataSize > static_cast<quint64>(reader.left()))
        return corrupt(QStringLiteral("its metadata runs past its end"));
    reader.skip(static_cast<qsizetype>(metadataSize));

    const std::uint32_t sourceCrc = getCrc(patch, footer);
    const std::uint32_t originalCrc = Crc32::of(original);
    if (sourceSize != static_cast<quint64>(original.size()) || sourceCrc != originalCrc)
        return Status::failure(
            QStringLiteral("the patch is for another image (%1 bytes, CRC32 %2); this one is "
                           "%3 bytes with CRC32 %4")
                .arg(sourceSize)
                .arg(Hex::digits(sourceCrc, 8))
                .arg(original.size())
                .arg(Hex::digits(originalCrc, 8)));
    if (targetSize > kMaxTarget)
        return Status::failure(QStringLiteral("the patch declares a %1-byte result, more than "
                                              "the %2 MiB patch apply makes")
                                   .arg(targetSize)
                                   .arg(kMaxTarget / (1024 * 1024)));

    QByteArray out(static_cast<qsizetype>(targetSize), Qt::Uninitialized);
    const quint64 size = targetSize;
    quint64 written = 0, sourceOffset = 0, targetOffset = 0;
    while (!reader.atEnd()) {
        const qsizetype actionAt = reader.position();
        quint64 word = 0;
        if (!reader.number(word))
            return corrupt(
                QStringLiteral("the action at patch byte %1 is unreadable").arg(actionAt));
        const quint64 length = (word >> 2) + 1;
        const auto action = static_cast<Action>(word & 3);
        if (length > size - written)
            return corrupt(QStringLiteral("the action at patch byte %1 writes past the %2-byte "
                                          "result")
                               .arg(actionAt)
                               .arg(size));
        char *to = out.data() + written;
        if (action == SourceRead) {
            if (written + length > sourceSize)
                return corrupt(QStringLiteral("the action at patch byte %1 reads past the end "
                                              "of the image")
                                   .arg(actionAt));
            std::copy_n(original.data() + written, length, to);
        } else if (action == TargetRead) {
            if (length > static_cast<quint64>(reader.left()))
                return corrupt(QStringLiteral("the action at patch byte %1 holds more bytes than "
                                              "the patch has left")
                                   .arg(actionAt));
            std::copy_n(patch.data() + reader.position(), length, to);
            reader.skip(static_cast<qsizetype>(length));
        } else {
            quint64 encoded = 0;
            if (!reader.number(encoded))
                return corrupt(
                    QStringLiteral("the action at patch byte %1 is unreadable").arg(actionAt));
            quint64 &offset = action == SourceCopy ? sourceOffset : targetOffset;
            // A copy reads the image or the result made so far; the message names which, and
            // which end of it the copy crosses. Offsets stay far below 2^64 (numbers are at most
            // 2^56), so a forward step cannot wrap round to a small offset.
            const QString from
                = action == SourceCopy ? QStringLiteral("the image") : QStringLiteral("the result");
            const quint64 distance = encoded >> 1;
            if ((encoded & 1) && distance > offset)
                return corrupt(QStringLiteral("the action at patch byte %1 copies from before "
                                              "the start of %2")
                                   .arg(actionAt)
                                   .arg(from));
            offset = (encoded & 1) ? offset - distance : offset + distance;
            // A target copy may overlap what it writes: that is how runs repeat, so it goes
            // byte by byte and may only read bytes already written.
            if (action == SourceCopy ? offset + length > sourceSize : offset >= written)
                return corrupt(QStringLiteral("the action at patch byte %1 copies from past the "
                                              "end of %2")
                                   .arg(actionAt)
                                   .arg(action == SourceCopy ? from
                                                             : QStringLiteral("the result "
                                                                              "written so far")));
            const char *bytes = action == SourceCopy ? original.data() : out.constData();
            for (quint64 i = 0; i < length; ++i)
                to[i] = bytes[offset + i];
            offset += length;
        }
        written += length;
    }
    if (written != size)
        return corrupt(
            QStringLiteral("its actions make %1 of the %2 bytes").arg(written).arg(size));
    const std::uint32_t targetCrc = getCrc(patch, footer + 4);
    if (Crc32::of(out) != targetCrc)
        return corrupt(QStringLiteral("the result's CRC32 is %1, but the patch records %2")
                           .arg(Hex::digits(Crc32::of(out), 8), Hex::digits(targetCrc, 8)));
    output = std::move(out);
    return {};
}

} // namespace Bps
