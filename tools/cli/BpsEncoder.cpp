// Finding copies for BPS patches, and choosing among them by what they cost in patch bytes.
//
// Three kinds of stretch are found without a search: those the edit left alone, runs of one
// value, and long stretches that lie elsewhere (moved, or shifted by an inserted or deleted
// byte), from fingerprints of both images' blocks. What they leave uncovered is searched in a
// suffix array (libdivsufsort) that holds the original followed by those stretches of the edited
// image, each with a little context after it; so an ordinary edit, or an insertion, costs one
// sort of about the original's size. A position's longest matches are its neighbours in the
// suffix array: the search walks a few entries up and down from the position's own rank,
// skipping edited bytes not yet written, and keeps the match that saves the most bytes once its
// action and offset are paid for. The stretches may overlap: a shifted copy covers a stretch of
// padding that is also unchanged in place. The actions are then the cheapest path through them.
#include "BpsEncoder.h"

#include "BpsFormat.h"

#include <algorithm>
#include <array>
#include <divsufsort.h>
#include <limits>
#include <vector>

namespace BpsEncoder {
namespace {

using Bps::Action;
using Bps::actionWord;
using Bps::putNumber;
using enum Bps::Action;

// Unchanged stretches at least this long are found without a search; shorter ones are left to
// it. It is also the context indexed after each stretch left to the search.
constexpr qsizetype kMinUnchanged = 32;
// The most the index holds (the original and the new stretches): its arrays take eight bytes a
// byte, and the largest Game Boy images are 8 MiB.
constexpr qsizetype kMaxIndexed = 64 * 1024 * 1024;
// Moved stretches are found from fingerprints of both images' blocks of this size, and kept
// when they reach kMinMoved bytes; runs of one value are found when they reach kBlock bytes.
constexpr qsizetype kBlock = 64;
constexpr qsizetype kMinMoved = 256;
// Blocks with a window's fingerprint followed up, the original's first; the longest match is kept.
// Data that repeats has many, most of them not where the window's bytes came from.
constexpr int kMaxCandidates = 16;
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

// A stretch of the edited image known before the search to be bytes from `from` in the original
// (a source copy, or a source read where from is start) or earlier in the edited image.
struct Stretch
{
    qsizetype start = 0;
    qsizetype end = 0;
    qsizetype from = 0;
    Action action = SourceCopy;
    qsizetype also = -1; // where a target copy finds the same bytes, or -1
};

quint64 hashOf(QByteArrayView window)
{
    quint64 hash = 0;
    for (const char byte : window)
        hash = hash * kHashBase + static_cast<std::uint8_t>(byte);
    return hash;
}

// The fingerprints of the blocks of kBlock bytes of both images, each leading to every block
// that has it, numbered through the original's and then the edited image's. Blocks of one value
// are left out: padding is everywhere, so a window of it says nothing of where the data around
// it came from, and the match is found from that data instead. One table for both images keeps
// each window's look-up to one place in memory.
class Blocks
{
public:
    Blocks(QByteArrayView source, QByteArrayView target);
    qint32 first(quint64 hash) const { return m_first[(hash * 0x9E3779B97F4A7C15) >> m_shift]; }
    qint32 next(qint32 block) const { return m_next[std::size_t(block)]; }

private:
    std::vector<qint32> m_first; // -1 where no block has the fingerprint
    std::vector<qint32> m_next; // -1 after the last
    int m_shift = 63;
};

Blocks::Blocks(QByteArrayView source, QByteArrayView target)
{
    const qsizetype sourceBlocks = source.size() / kBlock;
    m_next.assign(std::size_t(sourceBlocks + target.size() / kBlock), -1);
    while ((std::size_t(1) << (64 - m_shift)) < 2 * m_next.size())
        --m_shift;
    m_first.assign(std::size_t(1) << (64 - m_shift), -1);
    std::vector<qint32> last(m_first.size(), -1);
    for (qint32 number = 0; std::size_t(number) < m_next.size(); ++number) {
        const QByteArrayView block = number < sourceBlocks
            ? source.sliced(number * kBlock, kBlock)
            : target.sliced((number - sourceBlocks) * kBlock, kBlock);
        if (std::all_of(block.begin(), block.end(), [&](char b) { return b == block.front(); }))
            continue;
        const std::size_t slot = (hashOf(block) * 0x9E3779B97F4A7C15) >> m_shift;
        (last[slot] < 0 ? m_first[slot] : m_next[std::size_t(last[slot])]) = number;
        last[slot] = number;
    }
}

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
    // The stretches found, each list in order of both start and end (none inside another):
    // unchanged in place, runs of one value copied from the original or from their own first
    // byte, moved, and found by the search.
    enum List { InPlace, RunsCopied, RunsRepeated, Moved, Searched, kLists };

    qsizetype findMoved(qsizetype start, qsizetype end, const Blocks &blocks);
    void findRuns();
    void search();
    std::vector<Stretch> cheapest() const;
    Match best(qsizetype at) const;
    void consider(Match &best, Action action, qsizetype from, qsizetype length) const;
    qsizetype targetOf(qsizetype text) const;
    void put(const Match &match);
    void putLiteral(qsizetype start, qsizetype end);
    void putPendingRead();

    QByteArrayView m_source;
    QByteArrayView m_target;
    std::array<std::vector<Stretch>, kLists> m_found;
    std::vector<Stretch> m_covered; // by any stretch found before the search, in order
    std::vector<Piece> m_pieces;
    std::vector<saidx_t> m_suffixes;
    std::vector<saidx_t> m_ranks; // of the index positions after the original
    QByteArray m_out;
    qsizetype m_sourceCursor = 0;
    qsizetype m_targetCursor = 0;
    qsizetype m_pendingRead = 0; // source reads are merged until another action comes
};

// Scans the windows of the edited image that start in [start, end) with a rolling hash for the
// blocks of the original, or of the edited image before the window, that have its fingerprint
// (up to kMaxCandidates of them). A match is followed back and ahead as far as the bytes agree,
// over stretches unchanged in place too: a shifted stretch of padding belongs with the shifted
// data around it. The longest match of a window is kept if it reaches kMinMoved bytes, in place
// of those found before that lie inside it. Returns where the scan stopped: end, or the end of
// the last match.
qsizetype Encoder::findMoved(qsizetype start, qsizetype end, const Blocks &blocks)
{
    const qsizetype sourceBlocks = m_source.size() / kBlock;
    quint64 outgoing = 1; // what the byte leaving the window weighs
    for (qsizetype i = 0; i < kBlock; ++i)
        outgoing *= kHashBase;
    qsizetype at = start;
    while (at < end && at + kBlock <= m_target.size()) {
        quint64 hash = hashOf(m_target.sliced(at, kBlock));
        for (;;) {
            Stretch longest;
            int tried = 0;
            for (qint32 block = blocks.first(hash); block >= 0 && tried < kMaxCandidates;
                 block = blocks.next(block), ++tried) {
                const Action action = block < sourceBlocks ? SourceCopy : TargetCopy;
                const QByteArrayView bytes = action == SourceCopy ? m_source : m_target;
                const qsizetype from
                    = (action == SourceCopy ? block : block - sourceBlocks) * kBlock;
                if (action == TargetCopy && from >= at)
                    break; // not yet written
                const qsizetype ahead = common(bytes.sliced(from), m_target.sliced(at));
                if (ahead < kBlock) // another block with the same fingerprint
                    continue;
                qsizetype back = 0;
                while (at - back > 0 && from - back > 0
                       && m_target[at - back - 1] == bytes[from - back - 1])
                    ++back;
                if (back + ahead > longest.end - longest.start)
                    longest = { at - back, at + ahead, from - back, action };
                else if (at - back == longest.start && at + ahead == longest.end)
                    longest.also = action == TargetCopy ? from - back : longest.also;
            }
            if (longest.end - longest.start >= kMinMoved) {
                std::vector<Stretch> &moved = m_found[Moved];
                while (!moved.empty() && moved.back().start >= longest.start)
                    moved.pop_back();
                moved.push_back(longest);
                at = longest.end;
                break;
            }
            if (at + 1 >= end || at + kBlock >= m_target.size())
                return end;
            hash = hash * kHashBase + static_cast<std::uint8_t>(m_target[at + kBlock])
                - static_cast<std::uint8_t>(m_target[at]) * outgoing;
            ++at;
        }
    }
    return std::max(at, end);
}

// Runs of one value, which the fingerprints leave out: each is copied from the longest run of its
// value in the original (as much of it as that covers), or repeats its own first byte.
void Encoder::findRuns()
{
    std::array<Stretch, 256> longest {};
    for (qsizetype at = 0, end = 0; at < m_source.size(); at = end) {
        for (end = at + 1; end < m_source.size() && m_source[end] == m_source[at];)
            ++end;
        Stretch &run = longest[static_cast<std::uint8_t>(m_source[at])];
        if (end - at > run.end - run.start)
            run = { at, end, at };
    }
    for (qsizetype at = 0, end = 0; at < m_target.size(); at = end) {
        for (end = at + 1; end < m_target.size() && m_target[end] == m_target[at];)
            ++end;
        if (end - at < kBlock)
            continue;
        const Stretch &run = longest[static_cast<std::uint8_t>(m_target[at])];
        if (run.end > run.start)
            m_found[RunsCopied].push_back(
                { at, at + std::min(end - at, run.end - run.start), run.start });
        m_found[RunsRepeated].push_back({ at + 1, end, at, TargetCopy });
    }
}

// The actions that make the edited image at the least cost in patch bytes, from the stretches
// found: a shortest path over their ends, with bytes no stretch covers as target bytes. A
// stretch is only left at its end: leaving a copy early for a stretch it also covers costs an
// action more and saves nothing. Two ways to each point are kept, with their source copies
// stopping in different places: a short copy from elsewhere that costs the same as a target copy
// would leave the cursor far from where the next long copy resumes.
std::vector<Stretch> Encoder::cheapest() const
{
    std::vector<qsizetype> points { 0, m_target.size() };
    for (const std::vector<Stretch> &found : m_found) {
        for (const Stretch &stretch : found) {
            points.push_back(stretch.start);
            points.push_back(stretch.end);
        }
    }
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());

    struct Way
    {
        qsizetype cost = std::numeric_limits<qsizetype>::max();
        std::size_t previous = 0; // point, and which of its ways, times two
        const Stretch *stretch = nullptr; // nullptr: target bytes
        bool also = false; // the stretch's target copy
        qsizetype cursors[2] = { 0, 0 }; // of source copies, then of target copies
        qsizetype literal = -1; // where the target read ending here starts
    };
    std::vector<std::array<Way, 2>> ways(points.size());
    ways[0][0].cost = 0;
    std::array<std::size_t, kLists> live {};
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        const qsizetype at = points[i];
        for (std::size_t which = 0; which < 2; ++which) {
            const Way &here = ways[i][which];
            if (here.cost == std::numeric_limits<qsizetype>::max())
                break;
            const auto reach = [&](qsizetype to, Way way) {
                way.previous = 2 * i + which;
                std::array<Way, 2> &there
                    = ways[std::lower_bound(points.begin(), points.end(), to) - points.begin()];
                Way &slot = there[0].cursors[0] == way.cursors[0] ? there[0] : there[1];
                if (way.cost < slot.cost)
                    slot = way;
                if (there[1].cost < there[0].cost)
                    std::swap(there[0], there[1]);
            };
            Way way = here;
            way.stretch = nullptr;
            way.literal = here.literal >= 0 ? here.literal : at;
            way.cost += points[i + 1] - at
                + numberBytes(actionWord(TargetRead, points[i + 1] - way.literal))
                - (here.literal >= 0 ? numberBytes(actionWord(TargetRead, at - here.literal)) : 0);
            reach(points[i + 1], way);
            way.literal = -1;
            for (std::size_t list = 0; list < kLists; ++list) {
                // Both starts and ends rise, so the stretches that cover `at` are consecutive,
                // from the first that has not ended.
                const std::vector<Stretch> &found = m_found[list];
                while (live[list] < found.size() && found[live[list]].end <= at)
                    ++live[list];
                for (auto stretch = found.begin() + std::ptrdiff_t(live[list]);
                     stretch != found.end() && stretch->start <= at; ++stretch) {
                    const qsizetype length = stretch->end - at;
                    way.stretch = &*stretch;
                    way.also = false;
                    for (qsizetype from = stretch->from + (at - stretch->start);;) {
                        const Action action = way.also ? TargetCopy : stretch->action;
                        std::copy_n(here.cursors, 2, way.cursors);
                        if (from == at && action == SourceCopy) {
                            way.cost = here.cost + numberBytes(actionWord(SourceRead, length));
                        } else {
                            qsizetype &cursor = way.cursors[action == TargetCopy ? 1 : 0];
                            way.cost = here.cost + numberBytes(actionWord(action, length))
                                + numberBytes(offsetWord(from - cursor));
                            cursor = from + length;
                        }
                        reach(stretch->end, way);
                        if (way.also || stretch->also < 0)
                            break;
                        way.also = true;
                        from = stretch->also + (at - stretch->start);
                    }
                }
            }
        }
    }
    std::vector<Stretch> path;
    for (std::size_t i = points.size() - 1, which = 0; i > 0;) {
        const Way &way = ways[i][which];
        const qsizetype start = points[way.previous / 2];
        if (way.stretch != nullptr) {
            const Stretch &stretch = *way.stretch;
            path.push_back({ start, points[i],
                             (way.also ? stretch.also : stretch.from) + (start - stretch.start),
                             way.also ? TargetCopy : stretch.action });
        }
        i = way.previous / 2;
        which = way.previous % 2;
    }
    std::reverse(path.begin(), path.end());
    return path;
}

bool Encoder::index()
{
    std::vector<Stretch> &inPlace = m_found[InPlace];
    const qsizetype shared = std::min(m_source.size(), m_target.size());
    for (qsizetype at = 0; at < shared;) {
        const qsizetype same = common(m_source.sliced(at), m_target.sliced(at));
        if (same >= kMinUnchanged)
            inPlace.push_back({ at, at + same, at });
        at += std::max<qsizetype>(same, 1);
    }
    // Moved stretches are looked for only where the edit changed bytes, but followed wherever
    // they lead.
    const Blocks blocks(m_source, m_target);
    qsizetype moved = 0;
    for (std::size_t i = 0; i <= inPlace.size(); ++i) {
        const qsizetype start = std::max(moved, i == 0 ? 0 : inPlace[i - 1].end);
        const qsizetype end = i < inPlace.size() ? inPlace[i].start : m_target.size();
        if (start < end)
            moved = findMoved(start, end, blocks);
    }
    findRuns();
    for (const List list : { InPlace, RunsCopied, RunsRepeated, Moved })
        m_covered.insert(m_covered.end(), m_found[list].begin(), m_found[list].end());
    std::sort(m_covered.begin(), m_covered.end(),
              [](const Stretch &a, const Stretch &b) { return a.start < b.start; });
    std::size_t kept = 0; // overlapping stretches merged
    for (const Stretch &stretch : m_covered) {
        if (kept > 0 && stretch.start <= m_covered[kept - 1].end)
            m_covered[kept - 1].end = std::max(m_covered[kept - 1].end, stretch.end);
        else
            m_covered[kept++] = stretch;
    }
    m_covered.resize(kept);

    qsizetype textSize = m_source.size();
    for (std::size_t i = 0; i <= m_covered.size(); ++i) {
        const qsizetype start = i == 0 ? 0 : m_covered[i - 1].end;
        const qsizetype end = i < m_covered.size() ? m_covered[i].start : m_target.size();
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

// Searches what no stretch found beforehand covers, keeping the matches in m_found.
void Encoder::search()
{
    auto covered = m_covered.cbegin();
    qsizetype literal = 0;
    qsizetype at = 0;
    qsizetype misses = 0;
    while (at < m_target.size()) {
        while (covered != m_covered.cend() && covered->end <= at)
            ++covered;
        if (covered != m_covered.cend() && covered->start <= at) {
            at = literal = covered->end;
            misses = 0;
            continue;
        }
        Match match = best(at);
        if (match.gain <= kMinGain) {
            // New data has few matches: search it ever more sparsely, but never step over a
            // covered stretch. A match whose start was stepped over is grown back below.
            const qsizetype next = covered == m_covered.cend() ? m_target.size() : covered->start;
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
        const Action action = match.action == SourceRead ? SourceCopy : match.action;
        if (action != SourceCopy || match.from != at)
            (action == SourceCopy ? m_sourceCursor : m_targetCursor) = match.from + match.length;
        // Bytes copied from the original that are also unchanged at the same place in the edited
        // image can be a target copy instead.
        const bool also = action == SourceCopy && match.from < at
            && common(m_target.sliced(match.from), m_target.sliced(at, match.length))
                == match.length;
        m_found[Searched].push_back(
            { at, at + match.length, match.from, action, also ? match.from : -1 });
        at = literal = at + match.length;
    }
}

QByteArray Encoder::encode()
{
    search();
    // The index is no longer needed: its memory is better spent on the choice.
    std::vector<saidx_t>().swap(m_suffixes);
    std::vector<saidx_t>().swap(m_ranks);
    m_sourceCursor = m_targetCursor = 0;
    qsizetype at = 0;
    for (const Stretch &stretch : cheapest()) {
        putLiteral(at, stretch.start);
        const bool read = stretch.from == stretch.start && stretch.action == SourceCopy;
        put({ read ? SourceRead : stretch.action, stretch.from, stretch.end - stretch.start, 0 });
        at = stretch.end;
    }
    putLiteral(at, m_target.size());
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
