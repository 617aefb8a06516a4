// Writing IPS patches in the fewest bytes that records side by side allow, and reading them.
#include "Ips.h"

#include "base/Hex.h"

#include <QString>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

namespace Ips {
namespace {

constexpr QByteArrayView kMagic = "PATCH";
constexpr QByteArrayView kEnd = "EOF";
// A record starting here would read as the end marker.
constexpr qsizetype kEndAsOffset = 0x454F46;
constexpr qsizetype kMaxRecord = 0xFFFF;
// What a record costs beyond its bytes: a plain record is offset and size, then its bytes; a run
// is offset, a zero size, its length and its one byte.
constexpr qint32 kRecordHeader = 5;
constexpr qint32 kRunRecord = 8;
// Shorter runs cost no more in a plain record of their own.
constexpr qsizetype kShortestRun = kRunRecord - kRecordHeader + 1;
// Unchanged bytes between two changes cost a byte each inside a record, and a record of its own
// costs five, or six when it is at kEndAsOffset and starts a byte early; so no record is worth
// stretching over more unchanged bytes than this, unless it is a run and they are of its value.
constexpr qsizetype kMaxBridge = 6;
// More than any patch costs, and still an int after an addition.
constexpr qint32 kNever = 1 << 30;

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

// The first position in [from, to) where a and b hold the same byte (equal = true) or different
// bytes, or `to`: eight bytes at a time, as images are mostly unchanged and changes mostly dense.
qsizetype firstWhere(bool equal, QByteArrayView a, QByteArrayView b, qsizetype from, qsizetype to)
{
    constexpr std::uint64_t kLow = 0x0101010101010101;
    constexpr std::uint64_t kHigh = 0x8080808080808080;
    for (; from + 8 <= to; from += 8) {
        std::uint64_t x, y;
        std::memcpy(&x, a.data() + from, 8);
        std::memcpy(&y, b.data() + from, 8);
        x ^= y;
        // Equal bytes are the zero bytes of x; the byte loop below finds which.
        if ((equal ? (x - kLow) & ~x & kHigh : x) != 0)
            break;
    }
    while (from < to && (a[from] == b[from]) != equal)
        ++from;
    return from;
}

// The least of the values in a window of positions that slides down: positions enter below, and
// leave when they are out of reach above. An entry is kept only while no entry below it is as
// small, so the least is the highest one kept, and at most one record's reach of entries is kept.
class WindowLeast
{
public:
    struct Entry
    {
        qsizetype position;
        qint32 value;
    };

    // Empties the window, with room for `positions` to be in it at once.
    void clear(qsizetype positions)
    {
        if (m_entries.size() < std::size_t(positions))
            m_entries.resize(std::bit_ceil(std::size_t(positions)));
        m_low = m_high = 0;
    }
    void enter(qsizetype position, qint32 value)
    {
        const std::size_t mask = m_entries.size() - 1;
        while (m_low != m_high && m_entries[m_low & mask].value >= value)
            ++m_low;
        m_entries[--m_low & mask] = { position, value };
    }
    // The least value of the positions that entered and lie at most at `reach`.
    Entry least(qsizetype reach)
    {
        const std::size_t mask = m_entries.size() - 1;
        while (m_entries[(m_high - 1) & mask].position > reach)
            --m_high;
        return m_entries[(m_high - 1) & mask];
    }

private:
    std::vector<Entry> m_entries; // a ring: the counters below wrap around it
    std::size_t m_low = 0;
    std::size_t m_high = 0;
};

// Writes the records for one stretch of the edited image, from a changed byte to a changed byte,
// in the fewest patch bytes: which bytes go in plain records, which in runs, and which unchanged
// bytes are left out. Walking back from the stretch's end, the cheapest way to write everything
// from each later position on is known, so a position needs only the cheapest of the positions a
// record from it can reach; then the records are found again walking forward, each ending where
// the rest costs what its own bytes leave.
class Planner
{
public:
    Planner(QByteArrayView original, QByteArrayView edited, QByteArray &patch)
        : m_original(original.data())
        , m_edited(edited)
        , m_shared(std::min(original.size(), edited.size()))
        , m_patch(patch)
    { }

    bool differs(qsizetype i) const { return i >= m_shared || m_original[i] != m_edited[i]; }
    void write(qsizetype start, qsizetype end);

private:
    qint32 &cost(qsizetype at) { return m_cost[std::size_t(at - m_start)]; }
    qsizetype plainEnd(qsizetype from, qsizetype reach, qint32 rest);

    const char *m_original;
    QByteArrayView m_edited;
    qsizetype m_shared; // bytes the edited image has in common with the original
    QByteArray &m_patch;
    qsizetype m_start = 0;
    std::vector<qint32> m_cost; // of everything from each position of the stretch on
    WindowLeast m_plain; // of cost + position: a plain record's cost, less its start
};

// The first position from `from` on, up to `reach`, where cost plus position is `rest`: where a
// plain record ends. Eight positions at a time, which the compiler turns into vector compares.
qsizetype Planner::plainEnd(qsizetype from, qsizetype reach, qint32 rest)
{
    // Positions count from the stretch's start, as they do in rest.
    const qint32 *costs = m_cost.data();
    qsizetype at = from - m_start;
    const qsizetype last = reach - m_start;
    for (; at + 8 <= last; at += 8) {
        bool found = false;
        for (int i = 0; i < 8; ++i)
            found |= costs[at + i] + qint32(at + i) == rest;
        if (found)
            break;
    }
    while (at < last && costs[at] + qint32(at) != rest)
        ++at;
    return at + m_start;
}

void Planner::write(qsizetype start, qsizetype end)
{
    m_start = start;
    // Never shrunk, so that a later stretch does not pay to clear it again.
    if (m_cost.size() < std::size_t(end - start + 1))
        m_cost.resize(std::size_t(end - start + 1));
    cost(end) = 0;
    m_plain.clear(std::min(end - start, kMaxRecord) + 1);
    const char *edited = m_edited.data();
    qsizetype runEnd = end;
    // Whether the byte at `at` is changed, and whether only a plain record can write it: it is
    // changed, may start a record, and starts no run long enough to be worth a run record. Moves
    // runEnd down to at's run.
    bool changed = false;
    const auto plainOnly = [&](qsizetype at) {
        if (at + 1 == end || edited[at] != edited[at + 1])
            runEnd = at + 1;
        changed = differs(at);
        return changed && at != kEndAsOffset && runEnd - at < kShortestRun;
    };
    for (qsizetype at = end - 1; at >= start; --at) {
        const bool plainOnlyHere = plainOnly(at);
        const qint32 after = cost(at + 1);
        m_plain.enter(at + 1, after + qint32(at + 1 - start));
        // An unchanged byte is left out: a record that took it along would cost as much without
        // it, unless it is needed to start a record before kEndAsOffset.
        if (!changed && at + 1 != kEndAsOffset) {
            cost(at) = after;
            continue;
        }
        qint32 best = changed ? kNever : after;
        if (at != kEndAsOffset) {
            const qsizetype reach = std::min(end, at + kMaxRecord);
            const WindowLeast::Entry plain = m_plain.least(reach);
            best = std::min(best, plain.value - qint32(at - start) + kRecordHeader);
            if (plainOnlyHere) {
                // Below, every byte that only a plain record can write costs the same plus its
                // position, as long as the cheapest continuation stays within reach: filled in
                // at once, with one entry in the window for them all.
                cost(at) = best;
                const qint32 level = best + qint32(at - start);
                const qsizetype lowest = std::max(start, plain.position - kMaxRecord);
                qsizetype low = at;
                while (low > lowest) {
                    const qsizetype below = low - 1;
                    if (edited[below] != edited[low])
                        runEnd = low;
                    if (runEnd - below >= kShortestRun || below == kEndAsOffset
                        || (below < m_shared && m_original[below] == edited[below]))
                        break;
                    low = below;
                    cost(low) = level - qint32(low - start);
                }
                if (low < at)
                    m_plain.enter(low + 1, level);
                at = low;
                continue;
            }
            if (runEnd - at >= kShortestRun) {
                // Writing everything from a later position on costs no more than from an
                // earlier one, but for the position kEndAsOffset, where no record may start: so
                // a run record is best as long as it can be, or ending just before kEndAsOffset.
                const qsizetype runReach = std::min(runEnd, reach);
                qint32 rest = cost(runReach);
                if (at < kEndAsOffset - 1 && kEndAsOffset - 1 < runReach)
                    rest = std::min(rest, cost(kEndAsOffset - 1));
                best = std::min(best, rest + kRunRecord);
            }
        }
        cost(at) = best;
    }
    for (qsizetype at = start; at < end;) {
        const qint32 here = cost(at);
        if (!differs(at) && here == cost(at + 1)) {
            ++at;
            continue;
        }
        // The record ends where the rest costs what is left once it is paid for: a run's eight
        // bytes, or a plain record's five and one for each of its bytes.
        const qsizetype reach = std::min(end, at + kMaxRecord);
        const qint32 plainRest = here + qint32(at - start) - kRecordHeader; // cost + position
        qsizetype to = at + 1;
        bool run = false;
        for (; edited[to - 1] == edited[at]; ++to) {
            run = cost(to) + kRunRecord == here;
            if (run || cost(to) + qint32(to - start) == plainRest || to == reach)
                break;
        }
        if (!run)
            to = plainEnd(to, reach, plainRest);
        put(m_patch, at, 3);
        if (run) {
            put(m_patch, 0, 2);
            put(m_patch, to - at, 2);
            m_patch += m_edited[at];
        } else {
            put(m_patch, to - at, 2);
            m_patch += m_edited.sliced(at, to - at);
        }
        at = to;
    }
}

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
    QByteArray out(kMagic.toByteArray());
    Planner planner(original, edited, out);
    const qsizetype shared = std::min(original.size(), edited.size());
    // The first changed byte at or after `at`, or the edited image's end; and the first
    // unchanged one.
    const auto nextChange = [&](qsizetype at) {
        return std::min(at < shared ? firstWhere(false, original, edited, at, shared) : at,
                        edited.size());
    };
    const auto nextSame = [&](qsizetype at) {
        return at < shared ? firstWhere(true, original, edited, at, shared) : edited.size();
    };
    // Whether one run of one value covers edited[from, to].
    const auto oneRun = [&](qsizetype from, qsizetype to) {
        return to - from < kMaxRecord
            && std::all_of(edited.begin() + from, edited.begin() + to + 1,
                           [&](char byte) { return byte == edited[from]; });
    };
    for (qsizetype at = nextChange(0); at < edited.size();) {
        // The stretch ends where the unchanged bytes that follow are too many for any record to
        // take along.
        qsizetype end = at + 1;
        for (;;) {
            const qsizetype next = nextChange(end);
            if (next == edited.size() || (next - end > kMaxBridge && !oneRun(end - 1, next)))
                break;
            end = nextSame(next);
        }
        // A change at kEndAsOffset that starts a stretch is written from the byte before it.
        planner.write(at == kEndAsOffset ? at - 1 : at, end);
        at = nextChange(end);
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
