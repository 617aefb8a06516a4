// Writing and reading IPS patches, with run-length records for repeated bytes.
#include "Ips.h"

#include "os/Hex.h"

#include <QString>

namespace Ips {
namespace {

constexpr QByteArrayView kMagic = "PATCH";
constexpr QByteArrayView kEnd = "EOF";
// A record starting here would read as the end marker.
constexpr qsizetype kEndAsOffset = 0x454F46;
constexpr qsizetype kMaxRecord = 0xFFFF;
// A run record costs 8 bytes and may force a new 5-byte record after it, so shorter runs are
// cheaper left inside a plain record.
constexpr qsizetype kMinRun = 14;
// Unchanged bytes between two changes cost less inside one record than a new record header.
constexpr qsizetype kMaxBridge = 5;

void put(QByteArray &out, qsizetype value, int bytes)
{
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

qsizetype get(QByteArrayView in, qsizetype at, int bytes)
{
    qsizetype value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | static_cast<std::uint8_t>(in[at + i]);
    return value;
}

// Emits the records for edited[start, end), which all differ from the original.
class RecordWriter
{
public:
    RecordWriter(QByteArrayView edited, QByteArray &patch)
        : m_edited(edited)
        , m_patch(patch)
    { }

    void write(qsizetype start, qsizetype end)
    {
        qsizetype at = start;
        while (at < end) {
            const qsizetype run = runLength(at, end);
            if (at != kEndAsOffset && run >= kMinRun) {
                put(m_patch, at, 3);
                put(m_patch, 0, 2);
                put(m_patch, run, 2);
                m_patch += m_edited[at];
                at += run;
                continue;
            }
            // Starting one byte early rewrites a byte with its own new value and keeps the
            // offset from reading as "EOF".
            const qsizetype from = at == kEndAsOffset ? at - 1 : at;
            qsizetype to = at + 1;
            while (to < end && to - from < kMaxRecord
                   && (to == kEndAsOffset || runLength(to, end) < kMinRun))
                ++to;
            put(m_patch, from, 3);
            put(m_patch, to - from, 2);
            m_patch += m_edited.sliced(from, to - from);
            at = to;
        }
    }

private:
    // How many bytes from at repeat edited[at], up to end and one record's worth.
    qsizetype runLength(qsizetype at, qsizetype end) const
    {
        const qsizetype limit = qMin(end, at + kMaxRecord);
        qsizetype next = at + 1;
        while (next < limit && m_edited[next] == m_edited[at])
            ++next;
        return next - at;
    }

    QByteArrayView m_edited;
    QByteArray &m_patch;
};

} // namespace

bool isIps(QByteArrayView patch)
{
    return patch.startsWith(kMagic);
}

Status make(QByteArrayView original, QByteArrayView edited, QByteArray &patch)
{
    if (edited.size() > kAddressLimit)
        return Status::failure(
            QStringLiteral("the edited image is %1 bytes long; IPS offsets reach only 16 MiB "
                           "(use a .bps patch)")
                .arg(edited.size()));
    if (edited.size() < original.size() && edited.size() >= kAddressLimit)
        return Status::failure(
            QStringLiteral("the edited image is shorter than the original but %1 bytes long; "
                           "an IPS truncation reaches only 16 MiB (use a .bps patch)")
                .arg(edited.size()));
    const auto differs = [&](qsizetype i) {
        return i >= original.size() || original[i] != edited[i];
    };
    QByteArray out(kMagic.toByteArray());
    RecordWriter writer(edited, out);
    qsizetype at = 0;
    while (at < edited.size()) {
        if (!differs(at)) {
            ++at;
            continue;
        }
        // The changed stretch ends at the first gap of unchanged bytes too long to bridge.
        qsizetype end = at + 1;
        qsizetype next = end;
        while (next < edited.size()) {
            if (differs(next)) {
                end = ++next;
                continue;
            }
            qsizetype same = 0;
            while (next + same < edited.size() && !differs(next + same) && same <= kMaxBridge)
                ++same;
            if (same > kMaxBridge || next + same == edited.size())
                break;
            next += same;
        }
        writer.write(at, end);
        at = end;
    }
    out += kEnd;
    if (edited.size() < original.size())
        put(out, edited.size(), 3);
    patch = std::move(out);
    return {};
}

Status apply(QByteArrayView original, QByteArrayView patch, QByteArray &output)
{
    if (!isIps(patch))
        return Status::failure(QStringLiteral("it is not an IPS patch"));
    const auto truncated = [&](qsizetype at) {
        return Status::failure(
            QStringLiteral("the patch is truncated: it ends inside the record at patch byte "
                           "%1, before its EOF marker")
                .arg(Hex::number(at)));
    };
    QByteArray out = original.toByteArray();
    qsizetype at = kMagic.size();
    for (;;) {
        if (patch.size() - at < 3)
            return Status::failure(
                QStringLiteral("the patch is truncated: it ends without an EOF marker"));
        if (patch.sliced(at, 3) == kEnd) {
            at += 3;
            break;
        }
        const qsizetype record = at;
        if (patch.size() - at < 5)
            return truncated(record);
        const qsizetype offset = get(patch, at, 3);
        qsizetype size = get(patch, at + 3, 2);
        at += 5;
        const bool isRun = size == 0;
        if (isRun) {
            if (patch.size() - at < 3)
                return truncated(record);
            size = get(patch, at, 2);
            if (size == 0)
                return Status::failure(
                    QStringLiteral("the patch is corrupt: the run at patch byte %1 is empty")
                        .arg(Hex::number(record)));
        } else if (patch.size() - at < size) {
            return Status::failure(
                QStringLiteral("the patch is truncated: the record at patch byte %1 holds %2 "
                               "bytes but only %3 remain")
                    .arg(Hex::number(record))
                    .arg(size)
                    .arg(patch.size() - at));
        }
        // IPS carries no size: a record at or past the end grows the image, and the bytes
        // between the old end and the record are zero, as every common patcher makes them.
        if (offset + size > out.size())
            out.resize(offset + size, '\0');
        if (isRun) {
            std::fill(out.begin() + offset, out.begin() + offset + size, patch[at + 2]);
            at += 3;
        } else {
            std::copy(patch.begin() + at, patch.begin() + at + size, out.begin() + offset);
            at += size;
        }
    }
    if (at != patch.size()) {
        if (patch.size() - at != 3)
            return Status::failure(
                QStringLiteral("the patch is corrupt: %1 unexpected bytes follow its EOF "
                               "marker")
                    .arg(patch.size() - at));
        // A truncation longer than the image leaves it as the records made it: the common
        // patchers read the length as "at most", and so do we.
        const qsizetype length = get(patch, at, 3);
        if (length < out.size())
            out.truncate(length);
    }
    output = std::move(out);
    return {};
}

} // namespace Ips
