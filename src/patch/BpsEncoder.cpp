// Finding copies for BPS patches, and choosing among them by what they cost in patch bytes.
//
// Three kinds of stretch are found without a search: those the edit left alone, runs of one
// value, and long stretches that lie elsewhere (moved, or shifted by an inserted or deleted
// byte), from fingerprints of both images' blocks. What they leave uncovered is searched in a
// suffix array (libdivsufsort) that holds the original followed by those stretches of the edited
// image, each with a little context before and after it; so an ordinary edit, or an insertion,
// costs one sort of about the original's size. A position's longest matches are its neighbours in
// the suffix array: the search walks a few entries up and down from the position's own rank,
// skipping edited bytes not yet written, and keeps the match that saves the most bytes once its
// action and offset are paid for, counting the bytes before it that it also covers. It also
// looks for copies that run on past the end of a stretch found before, and keeps as a stretch of
// its own another place a match's bytes lie that runs on past it. The stretches may overlap: a
// shifted copy covers a stretch of padding that is also unchanged in place, and a match is grown
// back into the one before it. Each stretch keeps the other places its bytes lie, in the original
// and earlier in the edited image, since which is cheapest depends on where the copies before it
// left the cursors. The actions are then the cheapest path through them all, a copy that goes on
// where the one before it stopped being the same action.
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
// it. It is also the context indexed before and after each stretch left to the search.
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
// Edited bytes not yet written are passed over apart from those: data that repeats with a short
// period has many of them beside a position, and the earlier copies it could use beyond them.
constexpr qsizetype kMaxUnwritten = 1024;
constexpr int kMaxCompared = 8;
// Where nothing matches, the search steps one byte further after each kMissesPerStep misses in a
// row, up to kMaxStep bytes.
constexpr qsizetype kMissesPerStep = 32;
constexpr qsizetype kMaxStep = 16;
// A copy the search keeps must save more than this over target bytes. Whether the target read
// that resumes after it, with a header of its own, still leaves it worth taking is the choice's
// to weigh: short copies close together, as of swapped blocks, save bytes only as a pair.
constexpr qsizetype kMinGain = 0;
// How far past a searched stretch its other sources are followed.
constexpr qsizetype kMaxLonger = 4096;
// Ways to each point kept by the choice, each with its cursors in other places.
constexpr std::size_t kWays = 4;

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

// Another place a stretch's bytes lie, in the original or earlier in the edited image: copied
// from there they cost another offset and leave the cursors elsewhere.
struct Source
{
    Action action = SourceCopy;
    qsizetype from = -1; // where the stretch's first byte lies; -1: no source
};
constexpr std::size_t kMoreSources = 3;

// A stretch of the edited image known to be bytes from `from` in the original (a source copy, or
// a source read where from is start) or earlier in the edited image, and up to kMoreSources other
// places that hold the same bytes.
struct Stretch
{
    qsizetype start = 0;
    qsizetype end = 0;
    qsizetype from = 0;
    Action action = SourceCopy;
    std::array<Source, kMoreSources> more {};

    // Where the stretch is copied from with source `which`: 0 the first, then the others.
    Source source(std::size_t which) const
    {
        return which == 0 ? Source { action, from } : more[which - 1];
    }
    void addSource(Action kind, qsizetype at)
    {
        if (kind == action && at == from)
            return;
        for (Source &other : more) {
            if (other.from < 0)
                other = { kind, at };
            if (other.action == kind && other.from == at)
                return;
        }
    }
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
    // byte, moved, found by the search, copies found running on past a stretch found before
    // the search, and other sources of searched stretches that run on past them.
    enum List { InPlace, RunsCopied, RunsRepeated, Moved, Searched, RunOn, Longer, kLists };

    qsizetype findMoved(qsizetype start, qsizetype end, const Blocks &blocks);
    void findRuns();
    void mapMoved();
    qsizetype landedAt(qsizetype from, qsizetype length, qsizetype before) const;
    Source cameFrom(qsizetype from, qsizetype length) const;
    void addCounterparts(Stretch &stretch) const;
    void search();
    std::vector<Stretch> cheapest() const;
    void gather(qsizetype at);
    void consider(Action action, qsizetype from, qsizetype length);
    qsizetype backOf(const Match &match, qsizetype at, qsizetype limit) const;
    qsizetype keep(const Match &match, qsizetype at, List list);
    qsizetype targetOf(qsizetype text) const;
    void put(const Match &match);
    void putLiteral(qsizetype start, qsizetype end);
    void putPendingRead();

    QByteArrayView m_source;
    QByteArrayView m_target;
    std::array<std::vector<Stretch>, kLists> m_found;
    std::vector<Stretch> m_covered; // by any stretch found before the search, in order
    std::vector<Stretch> m_movedFrom; // moved from the original, by where they lie there
    std::vector<qsizetype> m_movedReach; // the farthest any of those up to each reaches there
    std::vector<Piece> m_pieces;
    std::vector<saidx_t> m_suffixes;
    std::vector<saidx_t> m_ranks; // of the index positions after the original
    std::vector<Match> m_candidates; // the matches gather() found at a position
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
    std::array<Stretch, kMaxCandidates> matches;
    qsizetype at = start;
    while (at < end && at + kBlock <= m_target.size()) {
        quint64 hash = hashOf(m_target.sliced(at, kBlock));
        for (;;) {
            Stretch longest;
            std::size_t found = 0;
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
                matches[found] = { at - back, at + ahead, from - back, action };
                if (back + ahead > longest.end - longest.start)
                    longest = matches[found];
                ++found;
            }
            if (longest.end - longest.start >= kMinMoved) {
                // The other matches that cover the longest are other sources of it.
                for (std::size_t i = 0; i < found; ++i) {
                    const Stretch &other = matches[i];
                    if (other.start <= longest.start && other.end >= longest.end)
                        longest.addSource(other.action, other.from + (longest.start - other.start));
                }
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
// action more and saves nothing. The kWays cheapest ways to each point are kept, each with its
// cursors in other places: a copy that costs the same as another may leave a cursor far from
// where the next copy resumes.
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
        std::size_t previous = 0; // point times kWays, and which of its ways
        const Stretch *stretch = nullptr; // nullptr: target bytes
        std::size_t source = 0; // which of the stretch's sources
        qsizetype cursors[2] = { 0, 0 }; // of source copies, then of target copies
        qsizetype literal = -1; // where the target read ending here starts
        Action last = TargetRead; // the copy or read ending here, if any
        qsizetype run = 0; // its length: a copy that goes on from where it stopped joins it
    };
    std::vector<std::array<Way, kWays>> ways(points.size());
    ways[0][0].cost = 0;
    std::array<std::size_t, kLists> live {};
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        const qsizetype at = points[i];
        for (std::size_t which = 0; which < kWays; ++which) {
            const Way &here = ways[i][which];
            if (here.cost == std::numeric_limits<qsizetype>::max())
                continue;
            // A way replaces the one with the same cursors if it is better, else the worst: the
            // dearer, or at the same cost the one with no target read to go on with.
            const auto worse = [](const Way &a, const Way &b) {
                return a.cost != b.cost ? a.cost > b.cost : a.literal < 0 && b.literal >= 0;
            };
            const auto reach = [&](qsizetype to, Way way) {
                way.previous = kWays * i + which;
                std::array<Way, kWays> &there
                    = ways[std::lower_bound(points.begin(), points.end(), to) - points.begin()];
                Way *slot = &there[0];
                for (Way &other : there) {
                    if (std::equal(other.cursors, other.cursors + 2, way.cursors)) {
                        slot = &other;
                        break;
                    }
                    if (worse(other, *slot))
                        slot = &other;
                }
                if (worse(*slot, way))
                    *slot = way;
            };
            Way way = here;
            way.stretch = nullptr;
            way.literal = here.literal >= 0 ? here.literal : at;
            way.run = 0;
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
                    for (way.source = 0; way.source <= kMoreSources; ++way.source) {
                        const Source source = stretch->source(way.source);
                        if (source.from < 0)
                            break;
                        const qsizetype from = source.from + (at - stretch->start);
                        std::copy_n(here.cursors, 2, way.cursors);
                        const bool read = from == at && source.action == SourceCopy;
                        way.last = read ? SourceRead : source.action;
                        qsizetype &cursor = way.cursors[source.action == TargetCopy ? 1 : 0];
                        if (here.run > 0 && here.last == way.last && (read || from == cursor)) {
                            // One action goes on: only its length grows.
                            way.run = here.run + length;
                            way.cost = here.cost + numberBytes(actionWord(way.last, way.run))
                                - numberBytes(actionWord(way.last, here.run));
                        } else {
                            way.run = length;
                            way.cost = here.cost + numberBytes(actionWord(way.last, length))
                                + (read ? 0 : numberBytes(offsetWord(from - cursor)));
                        }
                        if (!read)
                            cursor = from + length;
                        reach(stretch->end, way);
                    }
                }
            }
        }
    }
    std::vector<Stretch> path;
    const std::array<Way, kWays> &last = ways.back();
    for (std::size_t i = points.size() - 1,
                     which
         = std::min_element(last.begin(), last.end(),
                            [](const Way &a, const Way &b) { return a.cost < b.cost; })
             - last.begin();
         i > 0;) {
        const Way &way = ways[i][which];
        const qsizetype start = points[way.previous / kWays];
        if (way.stretch != nullptr) {
            const Source source = way.stretch->source(way.source);
            path.push_back(
                { start, points[i], source.from + (start - way.stretch->start), source.action });
        }
        i = way.previous / kWays;
        which = way.previous % kWays;
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
    mapMoved();
    for (Stretch &stretch : m_found[Moved])
        addCounterparts(stretch);
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
            const qsizetype first = std::max<qsizetype>(start - kMinUnchanged, 0);
            const qsizetype length = std::min(end + kMinUnchanged, m_target.size()) - first;
            m_pieces.push_back({ textSize, first, length });
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

void Encoder::consider(Action action, qsizetype from, qsizetype length)
{
    if (length <= 0)
        return;
    qsizetype cost = numberBytes(actionWord(action, length));
    if (action == SourceCopy)
        cost += numberBytes(offsetWord(from - m_sourceCursor));
    else if (action == TargetCopy)
        cost += numberBytes(offsetWord(from - m_targetCursor));
    m_candidates.push_back({ action, from, length, length - cost });
}

void Encoder::gather(qsizetype at)
{
    const QByteArrayView wanted = m_target.sliced(at);
    m_candidates.clear();
    // Where the last copies stopped costs the least to name, so try there first.
    if (at < m_source.size())
        consider(SourceRead, at, common(m_source.sliced(at), wanted));
    if (m_sourceCursor < m_source.size())
        consider(SourceCopy, m_sourceCursor, common(m_source.sliced(m_sourceCursor), wanted));
    if (m_targetCursor < at)
        consider(TargetCopy, m_targetCursor, common(m_target.sliced(m_targetCursor), wanted));
    // So does going on where the copy before would have gone on, past a few changed bytes.
    for (const List list : { Moved, Searched }) {
        const std::vector<Stretch> &found = m_found[list];
        const auto after
            = std::upper_bound(found.begin(), found.end(), at,
                               [](qsizetype a, const Stretch &s) { return a < s.end; });
        if (after == found.begin())
            continue;
        const Stretch &before = *(after - 1);
        const qsizetype from = before.from + (at - before.start);
        const QByteArrayView bytes = before.action == TargetCopy ? m_target : m_source;
        if (from < (before.action == TargetCopy ? at : m_source.size()))
            consider(before.action, from, common(bytes.sliced(from), wanted));
    }

    const auto piece = std::upper_bound(m_pieces.begin(), m_pieces.end(), at,
                                        [](qsizetype to, const Piece &p) { return to < p.target; })
        - 1;
    const qsizetype rank = m_ranks[piece->text + (at - piece->target) - m_source.size()];
    const auto size = static_cast<qsizetype>(m_suffixes.size());
    for (const qsizetype step : { qsizetype(-1), qsizetype(1) }) {
        qsizetype longest = std::numeric_limits<qsizetype>::max();
        int compared = 0;
        for (qsizetype r = rank + step, steps = 0, unwritten = 0;
             r >= 0 && r < size && steps < kMaxSteps; r += step) {
            const qsizetype text = m_suffixes[r];
            // Only edited bytes already written can be copied; a copy may run on into the bytes
            // it writes itself, as runs do.
            const qsizetype from = text < m_source.size() ? -1 : targetOf(text);
            if (from >= at) {
                if (++unwritten == kMaxUnwritten)
                    break;
                continue;
            }
            ++steps;
            qsizetype length = 0;
            if (text < m_source.size()) {
                length = common(m_source.sliced(text), wanted);
                consider(text == at ? SourceRead : SourceCopy, text, length);
            } else {
                length = common(m_target.sliced(from), wanted);
                consider(TargetCopy, from, length);
            }
            // Farther neighbours share less, so stop once matches start to shrink, or when they
            // are already too short to pay for a copy.
            if (length <= kMinGain + 2 || length < longest || ++compared == kMaxCompared)
                break;
            longest = length;
        }
    }
}

// How many bytes before `at`, down to `limit`, the match found there also covers.
qsizetype Encoder::backOf(const Match &match, qsizetype at, qsizetype limit) const
{
    const QByteArrayView bytes = match.action == TargetCopy ? m_target : m_source;
    qsizetype back = 0;
    while (at - back > limit && match.from - back > 0
           && m_target[at - back - 1] == bytes[match.from - back - 1])
        ++back;
    return back;
}

// Keeps the match gather() found at `at` in a list, grown back to that list's last end at most,
// with the other places its bytes lie; returns its end. The search's cursors move on as if it
// were taken, but for a copy that only may run on past a stretch found before the search.
qsizetype Encoder::keep(const Match &match, qsizetype at, List list)
{
    const qsizetype back
        = backOf(match, at, m_found[list].empty() ? 0 : m_found[list].back().start + 1);
    const qsizetype start = at - back;
    const Action action = match.action == SourceRead ? SourceCopy : match.action;
    Stretch stretch { start, at + match.length, match.from - back, action };
    if (list == Searched && (action != SourceCopy || stretch.from != start))
        (action == SourceCopy ? m_sourceCursor : m_targetCursor)
            = stretch.from + stretch.end - start;
    // The other matches as long, and alike back to where this one was grown to, are other
    // sources of the same bytes: the cheapest first, as the cursors stand.
    std::sort(m_candidates.begin(), m_candidates.end(),
              [](const Match &a, const Match &b) { return a.gain > b.gain; });
    for (const Match &other : m_candidates) {
        const QByteArrayView bytes = other.action == TargetCopy ? m_target : m_source;
        if (other.length >= match.length && other.from >= back
            && bytes.sliced(other.from - back, back) == m_target.sliced(start, back))
            stretch.addSource(other.action == SourceRead ? SourceCopy : other.action,
                              other.from - back);
    }
    addCounterparts(stretch);
    m_found[list].push_back(stretch);
    // Another of its sources may run on further, as a copy of edited bytes that were themselves
    // copied does: the longest becomes a stretch of its own, since a copy is only left at its end.
    Stretch longer = stretch;
    for (std::size_t which = 0; which <= kMoreSources; ++which) {
        const Source source = stretch.source(which);
        if (source.from < 0)
            break;
        const QByteArrayView bytes = source.action == TargetCopy ? m_target : m_source;
        const qsizetype from = source.from + (stretch.end - stretch.start);
        const qsizetype limit = std::min(bytes.size() - from, kMaxLonger);
        const qsizetype end = stretch.end
            + common(bytes.sliced(from, std::max<qsizetype>(limit, 0)),
                     m_target.sliced(stretch.end));
        if (end > longer.end)
            longer = { stretch.start, end, source.from, source.action };
    }
    std::vector<Stretch> &longers = m_found[Longer];
    if (longer.end > stretch.end
        && (longers.empty()
            || (longers.back().start < longer.start && longers.back().end < longer.end)))
        longers.push_back(longer);
    return stretch.end;
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

// Lists the moved stretches copied from the original by where they lie there, for landedAt().
void Encoder::mapMoved()
{
    for (const Stretch &stretch : m_found[Moved]) {
        if (stretch.action == SourceCopy)
            m_movedFrom.push_back(stretch);
    }
    std::sort(m_movedFrom.begin(), m_movedFrom.end(),
              [](const Stretch &a, const Stretch &b) { return a.from < b.from; });
    for (const Stretch &moved : m_movedFrom)
        m_movedReach.push_back(std::max(m_movedReach.empty() ? 0 : m_movedReach.back(),
                                        moved.from + moved.end - moved.start));
}

// Where the original's bytes [from, from + length) lie in the edited image before `before`,
// unchanged in place or moved, or -1.
qsizetype Encoder::landedAt(qsizetype from, qsizetype length, qsizetype before) const
{
    if (from < before && common(m_target.sliced(from), m_source.sliced(from, length)) == length)
        return from;
    for (auto i = std::upper_bound(m_movedFrom.begin(), m_movedFrom.end(), from,
                                   [](qsizetype f, const Stretch &m) { return f < m.from; })
             - m_movedFrom.begin();
         i > 0 && m_movedReach[std::size_t(i - 1)] >= from + length; --i) {
        const Stretch &moved = m_movedFrom[std::size_t(i - 1)];
        const qsizetype to = moved.start + (from - moved.from);
        if (from + length <= moved.from + (moved.end - moved.start) && to < before)
            return to;
    }
    return -1;
}

// Where in the original the edited image's bytes [from, from + length) came from, unchanged in
// place or moved, if they did.
Source Encoder::cameFrom(qsizetype from, qsizetype length) const
{
    for (const List list : { InPlace, Moved }) {
        const std::vector<Stretch> &found = m_found[list];
        const auto after
            = std::upper_bound(found.begin(), found.end(), from,
                               [](qsizetype f, const Stretch &s) { return f < s.start; });
        if (after != found.begin()) {
            const Stretch &stretch = *(after - 1);
            if (stretch.action == SourceCopy && from + length <= stretch.end)
                return { SourceCopy, stretch.from + (from - stretch.start) };
        }
    }
    return {};
}

// Adds the other side of each of a stretch's sources: bytes of the original that are also in
// the edited image before the stretch can be a target copy instead, and edited bytes that came
// from the original a source copy.
void Encoder::addCounterparts(Stretch &stretch) const
{
    const qsizetype length = stretch.end - stretch.start;
    for (std::size_t which = 0; which <= kMoreSources; ++which) {
        const Source source = stretch.source(which);
        if (source.from < 0)
            break;
        if (source.action == SourceCopy) {
            const qsizetype there = landedAt(source.from, length, stretch.start);
            if (there >= 0)
                stretch.addSource(TargetCopy, there);
        } else {
            const Source origin = cameFrom(source.from, length);
            if (origin.from >= 0)
                stretch.addSource(origin.action, origin.from);
        }
    }
}

// Searches what no stretch found beforehand covers, keeping the matches in m_found.
void Encoder::search()
{
    // Where the stretches found before the search start or end, in order.
    std::vector<qsizetype> boundaries;
    for (const List list : { InPlace, RunsCopied, RunsRepeated, Moved }) {
        for (const Stretch &stretch : m_found[list]) {
            boundaries.push_back(stretch.start);
            boundaries.push_back(stretch.end);
        }
    }
    std::sort(boundaries.begin(), boundaries.end());
    auto covered = m_covered.cbegin();
    qsizetype at = 0;
    qsizetype written = 0; // the end of the last stretch, covered or searched
    qsizetype misses = 0;
    while (at < m_target.size()) {
        while (covered != m_covered.cend() && covered->end <= at)
            ++covered;
        if (covered != m_covered.cend() && covered->start <= at) {
            // A copy from elsewhere may run on past the covered stretch's end. It is looked for
            // where a stretch inside it starts or ends, not long before that end, in the bytes
            // indexed with those after it. The cursors stay: the copy is only a choice.
            at = written = covered->end;
            misses = 0;
            qsizetype probe = std::max(covered->start, at - kMinUnchanged);
            for (auto next = std::upper_bound(boundaries.begin(), boundaries.end(), probe);
                 probe < at && at < m_target.size();
                 probe = next == boundaries.end() ? at : *next++) {
                gather(probe);
                Match longer;
                for (const Match &candidate : m_candidates) {
                    if (probe + candidate.length > at && candidate.gain > longer.gain)
                        longer = candidate;
                }
                if (longer.gain > 0) {
                    keep(longer, probe, RunOn);
                    break;
                }
            }
            continue;
        }
        // A match whose start was stepped over is grown back, so the best is the one that saves
        // the most with those bytes counted.
        gather(at);
        Match match;
        qsizetype most = kMinGain;
        for (const Match &candidate : m_candidates) {
            const qsizetype gain = candidate.gain + backOf(candidate, at, written);
            if (gain > most) {
                match = candidate;
                most = gain;
            }
        }
        if (match.length == 0) {
            // New data has few matches: search it ever more sparsely, but never step over a
            // covered stretch.
            const qsizetype next = covered == m_covered.cend() ? m_target.size() : covered->start;
            at = std::min(at + std::min(1 + misses++ / kMissesPerStep, kMaxStep), next);
            continue;
        }
        misses = 0;
        at = written = keep(match, at, Searched);
    }
}

QByteArray Encoder::encode()
{
    search();
    // The index is no longer needed: its memory is better spent on the choice.
    std::vector<saidx_t>().swap(m_suffixes);
    std::vector<saidx_t>().swap(m_ranks);
    m_sourceCursor = m_targetCursor = 0;
    std::vector<Stretch> path = cheapest();
    // A copy that goes on where the one before it stopped is the same action.
    std::size_t kept = 0;
    for (const Stretch &stretch : path) {
        Stretch *before = kept > 0 ? &path[kept - 1] : nullptr;
        if (before != nullptr && before->end == stretch.start && before->action == stretch.action
            && before->from + (before->end - before->start) == stretch.from)
            before->end = stretch.end;
        else
            path[kept++] = stretch;
    }
    path.resize(kept);
    qsizetype at = 0;
    for (const Stretch &stretch : path) {
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
