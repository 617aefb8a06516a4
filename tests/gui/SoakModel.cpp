// The soak test's model of the main window: the documented rules, applied to plain data.
#include "SoakModel.h"

#include <algorithm>
#include <cmath>
#include <utility>

SoakModel::SoakModel(std::vector<ImageFile> files, int current, const QImage &editorStart,
                     const QImage &paletteStart, const QImage &previewStart,
                     const QString &levelStartText, const QString &coorXStart,
                     const QString &coorYStart)
    : image(current)
    , images(std::move(files))
    , levelText(levelStartText)
    , coorXText(coorXStart)
    , coorYText(coorYStart)
    , editor(editorStart.convertToFormat(QImage::Format_RGB32))
    , palette(paletteStart.convertToFormat(QImage::Format_RGB32))
    , currentPreview(previewStart.convertToFormat(QImage::Format_RGB32))
    , leftPreview(currentPreview)
    , rightPreview(currentPreview)
{
    m_strokeBefore.fill(-1);
}

QString SoakModel::tileText(const QString &prefix, int tile)
{
    return prefix + QString::asprintf("%02X", static_cast<unsigned>(tile));
}

const QImage &SoakModel::tilePicture(int tile) const
{
    return images.at(static_cast<std::size_t>(image)).tiles.at(static_cast<std::size_t>(tile));
}

void SoakModel::place(QImage &target, int x, int y, const QImage &picture)
{
    for (int row = 0; row < picture.height(); ++row) {
        const int ty = y + row;
        if (ty < 0 || ty >= target.height())
            continue;
        for (int column = 0; column < picture.width(); ++column) {
            const int tx = x + column;
            if (tx >= 0 && tx < target.width())
                target.setPixel(tx, ty, picture.pixel(column, row));
        }
    }
}

int SoakModel::snap(double coordinate)
{
    // Round half to even, then down to a multiple of 16 (towards minus infinity).
    const double whole = std::floor(coordinate);
    const double fraction = coordinate - whole;
    long long rounded = static_cast<long long>(whole);
    if (fraction > 0.5 || (fraction == 0.5 && rounded % 2 != 0))
        ++rounded;
    const long long cell = rounded >= 0 ? rounded / kCell : -((-rounded + kCell - 1) / kCell);
    return static_cast<int>(cell * kCell);
}

void SoakModel::drawPalette()
{
    for (int slot = 0; slot < kSlots; ++slot)
        place(palette, 0, kCell * slot, tilePicture(palettePosition + slot));
}

void SoakModel::paletteArrow(int delta)
{
    const int bar = std::clamp(paletteBar + delta, 0, kPaletteTop);
    if (bar == paletteBar)
        return;
    paletteBar = bar;
    palettePosition = paletteBar;
    tilesText = QString::number(palettePosition);
    drawPalette();
}

void SoakModel::paletteAdd10()
{
    if (paletteBar + 10 <= kPaletteTop)
        paletteBar += 10;
    else
        paletteBar = kPaletteTop;
    palettePosition = paletteBar;
    tilesText = QString::number(palettePosition);
    drawPalette();
}

void SoakModel::paletteMinus10()
{
    if (palettePosition - 10 < 0)
        paletteBar = 0;
    else
        paletteBar = std::max(0, paletteBar - 10);
    palettePosition = paletteBar;
    tilesText = QString::number(palettePosition);
    drawPalette();
}

void SoakModel::paletteMove(int y)
{
    for (int slot = kSlots - 1; slot >= 0; --slot) {
        if (y < kCell * (slot + 1))
            currentTile = palettePosition + slot;
    }
    currentPreview = tilePicture(currentTile);
}

void SoakModel::palettePress(int button)
{
    if (button == Left)
        leftTile = currentTile;
    else if (button == Right)
        rightTile = currentTile;
    leftPreview = tilePicture(leftTile);
    rightPreview = tilePicture(rightTile);
}

int SoakModel::cellAt(int x, int y)
{
    const int sx = snap(x);
    const int sy = snap(y);
    if (sx < 0 || sy < 0 || sx / kCell >= kColumns || sy / kCell >= kRows)
        return -1;
    return kColumns * (sy / kCell) + sx / kCell;
}

void SoakModel::noteStrokeCell(int cell)
{
    const auto index = static_cast<std::size_t>(cell);
    if (m_strokeBefore.at(index) < 0) {
        m_strokeBefore.at(index) = map.at(index);
        m_strokeCells.push_back(cell);
    }
}

void SoakModel::paint(int button, int x, int y)
{
    const int cell = cellAt(x, y);
    if (cell < 0)
        return;
    const bool left = button == Left;
    noteStrokeCell(cell);
    map.at(static_cast<std::size_t>(cell)) = static_cast<std::uint8_t>(left ? leftTile : rightTile);
    place(editor, snap(x), snap(y), left ? leftPreview : rightPreview);
}

void SoakModel::fill(int button, int cell, bool joinedOnly)
{
    // Marks the cells first, then paints them as a stroke that ends at once.
    const std::uint8_t tile = map.at(static_cast<std::size_t>(cell));
    std::array<bool, kLevelSize> marked {};
    if (joinedOnly) {
        std::vector<int> pending { cell };
        while (!pending.empty()) {
            const int at = pending.back();
            pending.pop_back();
            const auto index = static_cast<std::size_t>(at);
            if (marked.at(index) || map.at(index) != tile)
                continue;
            marked.at(index) = true;
            const int column = at % kColumns;
            if (column > 0)
                pending.push_back(at - 1);
            if (column < kColumns - 1)
                pending.push_back(at + 1);
            if (at >= kColumns)
                pending.push_back(at - kColumns);
            if (at + kColumns < kLevelSize)
                pending.push_back(at + kColumns);
        }
    } else {
        for (std::size_t index = 0; index < marked.size(); ++index)
            marked.at(index) = map.at(index) == tile;
    }
    for (int index = 0; index < kLevelSize; ++index) {
        if (marked.at(static_cast<std::size_t>(index)))
            paint(button, kCell * (index % kColumns), kCell * (index / kColumns));
    }
    endStroke();
}

void SoakModel::editorPress(int button, int x, int y, int othersHeld, int keys)
{
    if (othersHeld == 0) {
        endStroke();
        const bool ctrl = (keys & Ctrl) != 0;
        const bool shift = (keys & Shift) != 0;
        m_gesture = ctrl && shift ? Gesture::Replace
            : ctrl                ? Gesture::Pick
            : shift               ? Gesture::Fill
                                  : Gesture::Paint;
        m_pickCell = -1;
        const int cell = cellAt(x, y);
        if (m_gesture != Gesture::Paint && cell >= 0 && (button == Left || button == Right)) {
            if (m_gesture == Gesture::Pick) {
                m_pickButton = button;
                m_pickCell = cell;
            } else {
                fill(button, cell, m_gesture == Gesture::Fill);
            }
        }
    }
    if (m_gesture == Gesture::Paint && (button == Left || button == Right))
        paint(button, x, y);
}

void SoakModel::editorMove(int buttons, int x, int y)
{
    coorXText = QString::number(snap(x) / kCell);
    coorYText = QString::number(snap(y) / kCell);
    if (m_gesture == Gesture::Paint && (buttons == Left || buttons == Right))
        paint(buttons, x, y);
}

void SoakModel::editorRelease(int button, int stillHeld, int x, int y)
{
    if (m_gesture == Gesture::Pick && button == m_pickButton && m_pickCell >= 0
        && cellAt(x, y) == m_pickCell) {
        const int tile = map.at(static_cast<std::size_t>(m_pickCell));
        m_pickCell = -1;
        (button == Left ? leftTile : rightTile) = tile;
        leftPreview = tilePicture(leftTile);
        rightPreview = tilePicture(rightTile);
    }
    if (stillHeld == 0) {
        endStroke();
        m_gesture = Gesture::Paint;
    }
}

void SoakModel::paste(const std::vector<std::uint8_t> &tiles, int columns, int rows,
                      bool wholeLevel, int column, int row)
{
    endStroke();
    status = Status::Exact;
    if (level < 1) {
        statusText = QStringLiteral("Nothing was pasted: no level has been loaded yet.");
        return;
    }
    if (wholeLevel)
        column = row = 0;
    int placed = 0;
    for (int i = 0; i < columns * rows; ++i) {
        const int x = column + i % columns;
        const int y = row + i / columns;
        if (x >= kColumns || y >= kRows)
            continue;
        const auto index = static_cast<std::size_t>(y * kColumns + x);
        noteStrokeCell(static_cast<int>(index));
        map.at(index) = tiles.at(static_cast<std::size_t>(i));
        place(editor, kCell * x, kCell * y, tilePicture(map.at(index)));
        ++placed;
    }
    endStroke();
    statusText
        = QStringLiteral("Pasted %1 at %2,%3.")
              .arg(placed == 1 ? QStringLiteral("1 cell") : QStringLiteral("%1 cells").arg(placed))
              .arg(column)
              .arg(row);
}

void SoakModel::endStroke()
{
    Step step;
    for (const int index : m_strokeCells) {
        const auto at = static_cast<std::size_t>(index);
        if (m_strokeBefore.at(at) != map.at(at))
            step.cells.push_back({ index, m_strokeBefore.at(at), map.at(at) });
        m_strokeBefore.at(at) = -1;
    }
    m_strokeCells.clear();
    if (!step.cells.empty())
        push(std::move(step));
}

void SoakModel::push(Step step)
{
    m_history.resize(m_done);
    m_history.push_back(std::move(step));
    m_done = m_history.size();
}

void SoakModel::loadStep(int levelBefore)
{
    endStroke();
    Step step;
    step.isLoad = true;
    step.mapBefore = map;
    step.levelBefore = levelBefore;
    step.loaded = level;
    push(std::move(step));
    load();
    status = Status::LoadTime;
}

void SoakModel::setCells(const Step &step, bool after)
{
    for (const auto &[index, before, now] : step.cells) {
        const int tile = after ? now : before;
        map.at(static_cast<std::size_t>(index)) = static_cast<std::uint8_t>(tile);
        place(editor, kCell * (index % kColumns), kCell * (index / kColumns), tilePicture(tile));
    }
    const auto count = static_cast<int>(step.cells.size());
    statusText = QStringLiteral("%1: %2 cell%3.")
                     .arg(QLatin1String(after ? "Redone" : "Undone"))
                     .arg(count)
                     .arg(QLatin1String(count == 1 ? "" : "s"));
}

void SoakModel::undo()
{
    endStroke();
    status = Status::Exact;
    if (m_done == 0) {
        statusText = QStringLiteral("Nothing to undo.");
        return;
    }
    const Step &step = m_history.at(--m_done);
    if (!step.isLoad) {
        setCells(step, false);
        return;
    }
    map = step.mapBefore;
    level = step.levelBefore;
    levelText = level > 0 ? QString::number(level) : QString();
    if (level > 0)
        levelBar = level;
    for (int index = 0; index < kLevelSize; ++index) {
        place(editor, kCell * (index % kColumns), kCell * (index / kColumns),
              tilePicture(map.at(static_cast<std::size_t>(index))));
    }
    statusText = QStringLiteral("Undone: the load of level %1.").arg(step.loaded);
}

void SoakModel::redo()
{
    endStroke();
    status = Status::Exact;
    if (m_done == m_history.size()) {
        statusText = QStringLiteral("Nothing to redo.");
        return;
    }
    const Step &step = m_history.at(m_done++);
    if (!step.isLoad) {
        setCells(step, true);
        return;
    }
    level = levelBar = step.loaded;
    levelText = QString::number(level);
    load();
    status = Status::LoadTime;
}

void SoakModel::levelArrow(int delta)
{
    const int bar = std::clamp(levelBar + delta, 1, kLevels);
    if (bar == levelBar)
        return;
    levelBar = bar;
    level = levelBar;
    levelText = QString::number(level);
}

void SoakModel::levelAdd10()
{
    if (level + 10 > kLevels)
        levelBar = kLevels;
    else
        levelBar = std::min(kLevels, levelBar + 10);
    level = levelBar;
    levelText = QString::number(level);
}

void SoakModel::levelMinus10()
{
    if (level - 10 < 1)
        levelBar = 1;
    else
        levelBar = std::max(1, levelBar - 10);
    level = levelBar;
    levelText = QString::number(level);
}

void SoakModel::load()
{
    const QByteArray &bytes = images.at(static_cast<std::size_t>(image)).bytes;
    const int start = kLevelStart + kLevelSize * (level - 1);
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            const int index = kColumns * row + column;
            const auto tile = static_cast<std::uint8_t>(bytes.at(start + index));
            map.at(static_cast<std::size_t>(index)) = tile;
            place(editor, kCell * column, kCell * row, tilePicture(tile));
        }
    }
}

void SoakModel::loadLevelButton()
{
    const int before = level;
    if (level == 0) {
        level = levelBar;
        levelText = QString::number(level);
    }
    loadStep(before);
}

void SoakModel::nextLevel()
{
    if (level >= kLevels)
        return;
    const int before = level;
    ++level;
    levelBar = level;
    levelText = QString::number(level);
    loadStep(before);
}

void SoakModel::previousLevel()
{
    if (level <= 1)
        return;
    const int before = level;
    --level;
    levelBar = level;
    levelText = QString::number(level);
    loadStep(before);
}

bool SoakModel::save()
{
    if (level == 0) {
        // Nothing is written; what the status line says then is not modelled.
        status = Status::Unknown;
        return false;
    }
    QByteArray &bytes = images.at(static_cast<std::size_t>(image)).bytes;
    const int start = kLevelStart + kLevelSize * (level - 1);
    for (int index = 0; index < kLevelSize; ++index)
        bytes[start + index] = static_cast<char>(map.at(static_cast<std::size_t>(index)));
    ++messages;
    return true;
}

void SoakModel::open(int file)
{
    ++openDialogs;
    image = file;
    drawPalette();
    status = Status::Exact;
    statusText = images.at(static_cast<std::size_t>(image)).path
        + QStringLiteral(" was successfully loaded.");
    level = 1;
    levelBar = 1;
    levelText = QStringLiteral("1");
    // Open starts a new history.
    m_history.clear();
    m_done = 0;
    for (const int index : m_strokeCells)
        m_strokeBefore.at(static_cast<std::size_t>(index)) = -1;
    m_strokeCells.clear();
    load();
}

void SoakModel::cancelOpen()
{
    ++openDialogs;
}
