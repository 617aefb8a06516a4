// Putting edits of one image together byte by byte, and naming where they collide.
#include "ImageMerge.h"

#include "CartridgeHeader.h"
#include "base/Hex.h"

#include <algorithm>

namespace ImageMerge {
namespace {

// A byte of an image, or -1 past its end: an edit that cuts the image short changes the bytes
// it cuts off.
int byteOf(const QByteArray &image, qint64 at)
{
    return at < image.size() ? static_cast<std::uint8_t>(image.constData()[at]) : -1;
}

// "a", "a and b", "a, b and c".
QString names(const QList<int> &edits, const QStringList &labels)
{
    QString text;
    for (qsizetype i = 0; i < edits.size(); ++i) {
        if (i > 0)
            text += i + 1 == edits.size() ? QStringLiteral(" and ") : QStringLiteral(", ");
        text += labels.value(edits[i]);
    }
    return text;
}

void addEdits(QList<int> &into, const QList<int> &edits)
{
    for (const int edit : edits) {
        if (!into.contains(edit))
            into.append(edit);
    }
    std::sort(into.begin(), into.end());
}

// Adds a colliding byte to the listing: a cell on its own, a tile or header field once, and
// neighbouring other bytes as one range.
void addCollision(QList<Collision> &collisions, qint64 at, const QList<int> &edits,
                  const QList<qint64> &values)
{
    const ImageChanges::Place place = ImageChanges::placeOf(at);
    Collision *last = collisions.isEmpty() ? nullptr : &collisions.last();
    switch (place.kind) {
    case ImageChanges::Place::Cell:
        collisions.append({ Collision::Cell, place, at, 1, edits, values });
        return;
    case ImageChanges::Place::Tile:
    case ImageChanges::Place::Header: {
        const auto kind
            = place.kind == ImageChanges::Place::Tile ? Collision::Tile : Collision::HeaderField;
        if (last && last->kind == kind && last->place == place) {
            addEdits(last->edits, edits);
            last->length = at + 1 - last->start;
        } else {
            collisions.append({ kind, place, at, 1, edits, {} });
        }
        return;
    }
    case ImageChanges::Place::Other:
        if (last && last->kind == Collision::Bytes && last->start + last->length == at) {
            addEdits(last->edits, edits);
            ++last->length;
        } else {
            collisions.append({ Collision::Bytes, place, at, 1, edits, {} });
        }
        return;
    }
}

} // namespace

Result merge(const QByteArray &original, const QList<QByteArray> &edited)
{
    Result result;
    qint64 longest = original.size();
    Collision sizes { Collision::Size, {}, 0, 0, {}, {} };
    for (qsizetype i = 0; i < edited.size(); ++i) {
        longest = qMax(longest, edited[i].size());
        if (edited[i].size() != original.size()) {
            sizes.edits.append(static_cast<int>(i));
            sizes.values.append(edited[i].size());
        }
    }
    const qint64 size = sizes.values.isEmpty() ? original.size() : sizes.values.first();
    if (sizes.values.count(size) != sizes.values.size())
        result.collisions.append(sizes);

    result.image = original.left(size);
    result.image.append(QByteArray(size - result.image.size(), '\0'));
    QList<int> changing;
    QList<qint64> values;
    for (qint64 at = 0; at < longest; ++at) {
        const int before = byteOf(original, at);
        changing.clear();
        values.clear();
        bool disagree = false;
        for (qsizetype i = 0; i < edited.size(); ++i) {
            const int after = byteOf(edited[i], at);
            if (after == before)
                continue;
            if (!values.isEmpty() && values.first() != after)
                disagree = true;
            changing.append(static_cast<int>(i));
            values.append(after);
        }
        if (changing.isEmpty())
            continue;
        if (ImageChanges::isChecksum(at)) {
            result.checksumsFixed = true;
            continue;
        }
        if (disagree)
            addCollision(result.collisions, at, changing, values);
        else if (at < size && values.first() >= 0)
            result.image[at] = static_cast<char>(values.first());
    }
    // An image cut short of its header has no checksums to set.
    result.checksumsFixed = result.checksumsFixed && CartridgeHeader::hasHeader(result.image);
    if (result.checksumsFixed)
        CartridgeHeader::fix(result.image);
    return result;
}

QString describe(const Collision &collision, const QStringList &labels)
{
    const QString who = names(collision.edits, labels);
    const QString both
        = collision.edits.size() == 2 ? QStringLiteral("both") : QStringLiteral("all");
    switch (collision.kind) {
    case Collision::Size: {
        QStringList parts;
        for (qsizetype i = 0; i < collision.edits.size(); ++i)
            parts.append(QStringLiteral("%1 makes it %2 bytes")
                             .arg(labels.value(collision.edits[i]))
                             .arg(collision.values.value(i)));
        return QStringLiteral("size: ") + parts.join(QStringLiteral(", "));
    }
    case Collision::Cell: {
        QStringList parts;
        for (qsizetype i = 0; i < collision.edits.size(); ++i) {
            const qint64 value = collision.values.value(i);
            parts.append(labels.value(collision.edits[i])
                         + (value < 0 ? QStringLiteral(" cuts it off")
                                      : QStringLiteral(" sets ") + Hex::digits(value, 2)));
        }
        return QStringLiteral("level %1 (%2,%3): ")
                   .arg(collision.place.index)
                   .arg(collision.place.column)
                   .arg(collision.place.row)
            + parts.join(QStringLiteral(", "));
    }
    case Collision::Tile:
        return QStringLiteral("tile %1: %2 %3 change its graphics")
            .arg(Hex::digits(collision.place.index, 2), who, both);
    case Collision::HeaderField:
        return QStringLiteral("header %1: %2 %3 change it")
            .arg(ImageChanges::headerFieldName(collision.place.index), who, both);
    case Collision::Bytes:
        break;
    }
    return QStringLiteral("bytes %1: %2 %3 change %4")
        .arg(ImageChanges::rangeText(collision.start, collision.length), who, both,
             collision.length == 1 ? QStringLiteral("it") : QStringLiteral("them"));
}

} // namespace ImageMerge
