// Finding copies for BPS patches in a suffix array (libdivsufsort).
//
// The index holds the original followed by the edited image's new stretches, each with a little
// context after it. Stretches the edit left alone need no searching (they are source reads), and
// neither do long stretches that lie elsewhere in the original (moved, or shifted by an inserted
// or deleted byte), found beforehand from fingerprints of the original's blocks; so an ordinary
// edit, or an insertion, costs one sort of about the original's size. A position's
// longest matches are its neighbours in the suffix array: the search walks a few entries up and
// down from the position's own rank, skipping edited bytes not yet written, and keeps the match
// that saves the most bytes once its action and offset are paid for.
#include "BpsEncoder.h"

#include "BpsFormat.h"

#include <algorithm>
#include <divsufsort.h>
#include <limits>
#include <vector>

namespace BpsEncoder {
namespace {

using Bps::Action;
using Bps::actionWord;
using Bps::putNumber;
using enum Bps::Action;

// Unchanged stretches at least this long are read from the original without a search. Shorter
// ones are left to the search, so that a byte equal by chance inside moved data cannot cut a
// copy in two. It is also the context indexed after each changed stretch.
constexpr qsizetype kMinUnchanged = 32;
// The most the index holds (the original and the new stretches): its arrays take eight bytes a
// byte, and the largest Game Boy images are 8 MiB.
constexpr qsizetype kMaxIndexed = 64 * 1024 * 1024;
// Moved stretches are found from fingerprints of the original's blocks of this size, and kept
// when they reach kMinMoved bytes.
constexpr qsizetype kBlock = 64;
constexpr qsizetype kMinMoved = 256;
constexpr quint64 kHashBase = 0x100000001B3;
// Suffix array entries looked at on each side of a position, and matches compared there.
constexpr qsizetype kMaxSteps = 64;
constexpr int kMaxCompared = 8;
// Where nothing matches, the search steps one byte further after each kMissesPerStep misses in a
// row, up to kMaxStep bytes.
constexpr qsizetype kMissesPerStep = 32;
constexpr qsizetype kMaxStep = 16;
// A copy must save more than this over target bytes: the target read that resumes after it
// costs a header of its own.
constexpr qsizetype kMinGain = 2;

int numberBytes(quint64 value)
{
    int bytes = 1;
    for (value >>= 7; value != 0; value >>= 7) {
        --value;
        ++bytes;
    }
    return bytes;
}

// Copies name their start relative to where the previous copy of their kind stopped.
quint64 offsetWord(qsizetype delta)
{
    return static_cast<quint64>(delta < 0 ? -delta : delta) << 1 | (delta < 0 ? 1 : 0);
}

qsizetype common(QByteArrayView a, QByteArrayView b)
{
    const qsizetype length = std::min(a.size(), b.size());
    return std::mismatch(a.begin(), a.begin() + length, b.begin()).first - a.begin();
}

struct Match
{
    Action action = TargetRead;
    qsizetype from = 0;
    qsizetype length = 0;
    qsizetype gain = 0; // bytes saved over writing the same bytes as target bytes
};

// A stretch of the edited image known before the search to be the original's bytes from `from`.
struct Stretch
{
    qsizetype start = 0;
    qsizetype end = 0;
    qsizetype from = 0;
};

// A new stretch of the edited image and where its copy lies in the index.
struct Piece
{
    qsizetype text = 0;
    qsizetype target = 0;
    qsizetype length = 0;
};

class Encoder
{
public:
    Encoder(QByteArrayView source, QByteArrayView target)
        : m_source(source)
        , m_target(target)
    { }

    bool index();
    QByteArray encode();

private:
    void findMoved(qsizetype start, qsizetype end, const std::vector<qsizetype> &blocks, int bits);
    Match best(qsizetype at) const;
    void consider(Match &best, Action action, qsizetype from, qsizetype length) const;
    qsizetype targetOf(qsizetype text) const;
    void put(const Match &match);
    void putLiteral(qsizetype start, qsizetype end);
    void putPendingRead();

    QByteArrayView m_source;
    QByteArrayView m_target;
    std::vector<Stretch> m_known; // in order
    std::vector<Piece> m_pieces;
    std::vector<saidx_t> m_suffixes;
    std::vector<saidx_t> m_ranks; // of the index positions after the original
    QByteArray m_out;
    qsizetype m_sourceCursor = 0;
    qsizetype m_targetCursor = 0;
    qsizetype m_pendingRead = 0; // source reads are merged until another action comes
};

quint64 slotOf(quint64 hash, int bits)
{
    return (hash * 0x9E3779B97F4A7C15) >> (64 - bits);
}

// Scans edited[start, end) with a rolling hash for windows that are one of the original's blocks
// (by their fingerprint in blocks, a table of 2^bits entries) and keeps the matches that grow to
// kMinMoved bytes.
void Encoder::findMoved(qsizetype start, qsizetype end, const std::vector<qsizetype> &blocks,
                        int bits)
{
    quint64 outgoing = 1; // what the byte leaving the window weighs
    for (qsizetype i = 0; i < kBlock; ++i)
        outgoing *= kHashBase;
    qsizetype lowest = start; // moved stretches do not overlap
    qsizetype at = start;
    while (at + kBlock <= end) {
        quint64 hash = 0;
        for (qsizetype i = 0; i < kBlock; ++i)
            hash = hash * kHashBase + static_cast<std::uint8_t>(m_target[at + i]);
        for (;;) {
            const qsizetype from = blocks[slotOf(hash, bits)];
            if (from >= 0) {
                const qsizetype ahead
                    = common(m_source.sliced(from), m_target.sliced(at, end - at));
                qsizetype back = 0;
                while (at - back > lowest && from - back > 0
                       && m_target[at - back - 1] == m_source[from - back - 1])
                    ++back;
                if (back + ahead >= kMinMoved) {
                    m_known.push_back({ at - back, at + ahead, from - back });
                    at += ahead;
                    lowest = at;
                    break;
                }
            }
            if (at + kBlock >= end) {
                at = end;
                break;
            }
            hash = hash * kHashBase + static_cast<std::uint8_t>(m_target[at + kBlock])
                - static_cast<std::uint8_t>(m_target[at]) * outgoing;
            ++at;
        }
    }
}

bool Encoder::index()
{
    const qsizetype shared = std::min(m_source.size(), m_target.size());
    for (qsizetype at = 0; at < shared;) {
        const qsizetype same = common(m_source.sliced(at), m_target.sliced(at));
        if (same >= kMinUnchanged)
            m_known.push_back({ at, at + same, at });
        at += std::max<qsizetype>(same, 1);
    }

    // The fingerprint of each of the original's blocks, the first block kept for each.
    int bits = 1;
    while ((qsizetype(1) << bits) < 2 * (m_source.size() / kBlock))
        ++bits;
    std::vector<qsizetype> blocks(std::size_t(1) << bits, -1);
    for (qsizetype from = 0; from + kBlock <= m_source.size(); from += kBlock) {
        quint64 hash = 0;
        for (qsizetype i = 0; i < kBlock; ++i)
            hash = hash * kHashBase + static_cast<std::uint8_t>(m_source[from + i]);
        qsizetype &slot = blocks[slotOf(hash, bits)];
        if (slot < 0)
            slot = from;
    }
    const std::size_t unchanged = m_known.size();
    for (std::size_t i = 0; i <= unchanged; ++i) {
        const qsizetype start = i == 0 ? 0 : m_known[i - 1].end;
        const qsizetype end = i < unchanged ? m_known[i].start : m_target.size();
        findMoved(start, end, blocks, bits);
    }
    std::sort(m_known.begin(), m_known.end(),
              [](const Stretch &a, const Stretch &b) { return a.start < b.start; });

    qsizetype textSize = m_source.size();
    for (std::size_t i = 0; i <= m_known.size(); ++i) {
        const qsizetype start = i == 0 ? 0 : m_known[i - 1].end;
        const qsizetype end = i < m_known.size() ? m_known[i].start : m_target.size();
        if (end > start) {
            const qsizetype length = std::min(end + kMinUnchanged, m_target.size()) - start;
            m_pieces.push_back({ textSize, start, length });
            textSize += length;
        }
    }
    if (textSize > kMaxIndexed)
        return false;

    QByteArray text;
    text.reserve(textSize);
    text += m_source;
    for (const Piece &piece : m_pieces)
        text += m_target.sliced(piece.target, piece.length);
    m_suffixes.resize(static_cast<std::size_t>(textSize));
    if (textSize > 0
        && divsufsort(reinterpret_cast<const sauchar_t *>(text.constData()), m_suffixes.data(),
                      static_cast<saidx_t>(textSize))
            != 0)
        return false;
    m_ranks.resize(static_cast<std::size_t>(textSize - m_source.size()));
    for (std::size_t rank = 0; rank < m_suffixes.size(); ++rank) {
        if (m_suffixes[rank] >= m_source.size())
            m_ranks[m_suffixes[rank] - m_source.size()] = static_cast<saidx_t>(rank);
    }
    return true;
}

qsizetype Encoder::targetOf(qsizetype text) const
{
    const auto after = std::upper_bound(m_pieces.begin(), m_pieces.end(), text,
                                        [](qsizetype at, const Piece &p) { return at < p.text; });
    const Piece &piece = *(after - 1);
    return piece.target + (text - piece.text);
}

void Encoder::consider(Match &best, Action action, qsizetype from, qsizetype length) const
{
    if (length <= 0)
        return;
    qsizetype cost = numberBytes(actionWord(action, length));
    if (action == SourceCopy)
        cost += numberBytes(offsetWord(from - m_sourceCursor));
    else if (action == TargetCopy)
        cost += numberBytes(offsetWord(from - m_targetCursor));
    if (length - cost > best.gain)
        best = { action, from, length, length - cost };
}

Match Encoder::best(qsizetype at) const
{
    const QByteArrayView wanted = m_target.sliced(at);
    Match best;
    // Where the last copies stopped costs the least to name, so try there first.
    if (at < m_source.size())
        consider(best, SourceRead, at, common(m_source.sliced(at), wanted));
    if (m_sourceCursor < m_source.size())
        consider(best, SourceCopy, m_sourceCursor, common(m_source.sliced(m_sourceCursor), wanted));
    if (m_targetCursor < at)
        consider(best, TargetCopy, m_targetCursor, common(m_target.sliced(m_targetCursor), wanted));

    const auto piece = std::upper_bound(m_pieces.begin(), m_pieces.end(), at,
                                        [](qsizetype to, const Piece &p) { return to < p.target; })
        - 1;
    const qsizetype rank = m_ranks[piece->text + (at - piece->target) - m_source.size()];
    const auto size = static_cast<qsizetype>(m_suffixes.size());
    for (const qsizetype step : { qsizetype(-1), qsizetype(1) }) {
        qsizetype longest = std::numeric_limits<qsizetype>::max();
        int compared = 0;
        for (qsizetype r = rank + step, steps = 0; r >= 0 && r < size && steps < kMaxSteps;
             r += step, ++steps) {
            const qsizetype text = m_suffixes[r];
            qsizetype length = 0;
            if (text < m_source.size()) {
                length = common(m_source.sliced(text), wanted);
                consider(best, text == at ? SourceRead : SourceCopy, text, length);
            } else {
                // Only edited bytes already written can be copied; a copy may run on into the
                // bytes it writes itself, as runs do.
                const qsizetype from = targetOf(text);
                if (from >= at)
                    continue;
                length = common(m_target.sliced(from), wanted);
                consider(best, TargetCopy, from, length);
            }
            // Farther neighbours share less, so stop once matches start to shrink, or when they
            // are already too short to pay for a copy.
            if (length <= kMinGain + 2 || length < longest || ++compared == kMaxCompared)
                break;
            longest = length;
        }
    }
    return best;
}

void Encoder::putPendingRead()
{
    if (m_pendingRead > 0)
        putNumber(m_out, actionWord(SourceRead, m_pendingRead));
    m_pendingRead = 0;
}

void Encoder::putLiteral(qsizetype start, qsizetype end)
{
    if (end <= start)
        return;
    putPendingRead();
    putNumber(m_out, actionWord(TargetRead, end - start));
    m_out += m_target.sliced(start, end - start);
}

void Encoder::put(const Match &match)
{
    if (match.action == SourceRead) {
        m_pendingRead += match.length;
        return;
    }
    putPendingRead();
    putNumber(m_out, actionWord(match.action, match.length));
    qsizetype &cursor = match.action == SourceCopy ? m_sourceCursor : m_targetCursor;
    putNumber(m_out, offsetWord(match.from - cursor));
    cursor = match.from + match.length;
}

QByteArray Encoder::encode()
{
    auto known = m_known.cbegin();
    qsizetype literal = 0;
    qsizetype at = 0;
    qsizetype misses = 0;
    while (at < m_target.size()) {
        while (known != m_known.cend() && known->end <= at)
            ++known;
        if (known != m_known.cend() && known->start <= at) {
            const qsizetype from = known->from + (at - known->start);
            putLiteral(literal, at);
            put({ from == at ? SourceRead : SourceCopy, from, known->end - at, 0 });
            at = literal = known->end;
            misses = 0;
            continue;
        }
        Match match = best(at);
        if (match.gain <= kMinGain) {
            // New data has few matches: search it ever more sparsely, but never step over a
            // known stretch. A match whose start was stepped over is grown back below.
            const qsizetype next = known == m_known.cend() ? m_target.size() : known->start;
            at = std::min(at + std::min(1 + misses++ / kMissesPerStep, kMaxStep), next);
            continue;
        }
        misses = 0;
        const QByteArrayView from = match.action == TargetCopy ? m_target : m_source;
        while (at > literal && match.from > 0 && m_target[at - 1] == from[match.from - 1]) {
            --at;
            --match.from;
            ++match.length;
        }
        putLiteral(literal, at);
        put(match);
        at = literal = at + match.length;
    }
    putLiteral(literal, at);
    putPendingRead();
    return m_out;
}

} // namespace

bool actions(QByteArrayView original, QByteArrayView edited, QByteArray &out)
{
    Encoder encoder(original, edited);
    if (!encoder.index())
        return false;
    out += encoder.encode();
    return true;
}

} // namespace BpsEncoder
