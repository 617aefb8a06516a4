// The file and level commands: Open, Save, Load Level, the level steppers, the level menu and
// Play.
#include "EditSteps.h"
#include "about/frmAbout.h"
#include "frmMain.h"
#include "os/Clock.h"
#include "os/DesktopOpen.h"
#include "os/WholeFile.h"
#include "platform/Dialogs.h"
#include "platform/DrawingSurface.h"
#include "platform/Events.h"
#include "platform/ReversedScrollBar.h"
#include "rom/CBuffer.h"
#include "rom/LevelAccess.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

void frmMain::mnuOpen_Click()
{
    CommandScope scope(*this);
    // A cancelled dialog ends the command: nothing is reloaded and nothing is reported.
    const std::optional<QString> chosen = ShowOpenDialog();
    if (chosen)
        openImage(*chosen);
}

void frmMain::openImage(const QString &path)
{
    CommandScope scope(*this);
    // Everything Open shows is read before any of it is taken: an image that cannot give the
    // palette and level 1 is not taken, and the editor keeps working on the one it had.
    CBuffer::TileRun palette;
    LevelData level;
    Status result
        = CBuffer::ReadTiles(path, m_state.intSelectableTilesOffset, Palette::kSlots, palette);
    if (result)
        result = readLevelData(path, 1, level);
    if (!result) {
        reportError(tr("Could not open \"%1\": %2.").arg(path, result.error));
        return;
    }
    m_state.strFileName = path;
    // The history's steps belong to the image they were made on, even when the same file is
    // chosen again: it may have changed on disk since.
    clearHistory();
    m_levelsAsKnown.fill(std::nullopt);
    m_levelsAsKnown.front() = level.map;
    drawPalette(m_state.intSelectableTilesOffset, palette);
    lblStatus->setText(m_state.strFileName + QStringLiteral(" was successfully loaded."));
    m_state.intLevelNumber = 1;
    scrLevel->setNumber(m_state.intLevelNumber);
    txtLevel->setText(QStringLiteral("1"));
    drawLevel(level);
}

std::optional<QString> frmMain::ShowOpenDialog()
{
    Dialogs::OpenFileRequest request;
    request.owner = this;
    request.title = QStringLiteral("Dorrik - Open File");
    request.filters = QStringList { QStringLiteral("Game Boy ROM Image (*.gb)"),
                                    QStringLiteral("All Files (*.*)") };
    request.directory = QDir::currentPath();
    std::optional<QString> chosen = Dialogs::getOpenFileName(request);
    if (chosen && chosen->isEmpty())
        chosen.reset();
    return chosen;
}

frmMain::Load frmMain::LoadLevel(int levelBefore)
{
    if (m_state.strFileName.isEmpty())
        return Load::Failed;
    const int level = m_state.intLevelNumber;
    if (level < 1 || level > RomLayout::kLevelCount)
        return Load::Failed;
    LevelData read;
    if (const Status result = readLevelData(m_state.strFileName, level, read); !result) {
        reportError(failureText(tr("Could not load level %1 from").arg(level), result.error));
        return Load::Failed;
    }
    // From here on the load happens, so it is a step of the history. It is recorded before
    // any row is drawn: a stroke painted while the rows appear comes after it.
    endStroke();
    m_history->push(new LoadStep(*this, m_state.bytLevel, levelBefore, level));
    m_levelsAsKnown.at(static_cast<std::size_t>(level - 1)) = read.map;
    return drawLevel(read);
}

Status frmMain::readLevelData(const QString &path, int level, LevelData &into) const
{
    // The whole tile region lies before the first level, so any image that holds the level
    // holds every tile it can name, also one painted while the load is drawing.
    Status result = LevelAccess::ReadLevel(
        path, m_state.lngLevelOffset.at(static_cast<std::size_t>(level - 1)), into.map);
    if (result)
        result = CBuffer::ReadTiles(path, 0, RomLayout::kTileCount, into.tiles);
    return result;
}

frmMain::Load frmMain::drawLevel(const LevelData &level)
{
    const int generation = ++m_loadGeneration;
    ++m_activeLoads;
    btnLevel->setEnabled(false);
    scrLevel->setEnabled(false);
    m_state.boolCancelUnload = true;
    m_state.bytLevel = level.map;
    setSelection(std::nullopt);

    for (int row = 0; row < RomLayout::kLevelRows; ++row) {
        drawRow(row, level.tiles);
        // Let the rows appear one by one and keep the window responsive.
        Events::doEvents();
        // A load started meanwhile (Next Level, Open) owns the surface now.
        if (generation != m_loadGeneration)
            break;
    }
    finishLoad();
    return generation == m_loadGeneration ? Load::Done : Load::Overtaken;
}

void frmMain::drawRow(int row, const CBuffer::TileRun &tiles)
{
    // Cells come from the map, not the file, so a cell painted while a load yields is drawn
    // as painted.
    for (int column = 0; column < RomLayout::kLevelColumns; ++column)
        drawCell(column, row, tiles);
}

void frmMain::drawCell(int column, int row, const CBuffer::TileRun &tiles)
{
    tiles.copyToBuffer(m_state.bytLevel.cellAt(column, row));
    CBuffer::DrawTile(*picEditor, TileGraphics::kCellPixels * column,
                      TileGraphics::kCellPixels * row);
}

void frmMain::finishLoad()
{
    if (--m_activeLoads > 0)
        return;
    btnLevel->setEnabled(true);
    scrLevel->setEnabled(true);
    m_state.boolCancelUnload = false;
}

void frmMain::setLevelNumber(int level)
{
    m_state.intLevelNumber = static_cast<std::int16_t>(level);
    txtLevel->setText(QString::number(level));
}

void frmMain::btnLevel_Click()
{
    loadShownLevel(m_state.intLevelNumber);
}

void frmMain::loadShownLevel(int levelBefore)
{
    CommandScope scope(*this);
    if (m_state.strFileName.isEmpty())
        return;
    const int previous = m_state.intLevelNumber;
    // With a path from the command line no level has been chosen yet; the scroll bar shows
    // the one the user sees, so that is the one loaded.
    if (previous == 0)
        setLevelNumber(scrLevel->number());
    const std::int64_t start = Clock::tickCount();
    const Load load = LoadLevel(levelBefore);
    const std::int64_t end = Clock::tickCount();
    if (load == Load::Done) {
        lblStatus->setText(QStringLiteral("Loaded in: ") + QString::number(end - start)
                           + QStringLiteral("m."));
    } else if (load == Load::Failed && previous == 0) {
        // Nothing was loaded, so no level is chosen yet either.
        restoreLevelNumber(0);
    }
}

void frmMain::stepLevel(int delta)
{
    const int previous = m_state.intLevelNumber;
    setLevelNumber(previous + delta);
    scrLevel->setNumber(m_state.intLevelNumber);
    const int generation = m_loadGeneration;
    loadShownLevel(previous);
    // No load drew anything, so the level could not be loaded and is not the current level:
    // stepping back keeps Save from writing the map still shown into the level not loaded.
    if (m_loadGeneration == generation)
        restoreLevelNumber(previous);
}

void frmMain::restoreLevelNumber(int level)
{
    // Level 0 (none chosen yet) leaves the bar at the 1 it shows in that state.
    if (level > 0)
        scrLevel->setNumber(level);
    m_state.intLevelNumber = static_cast<std::int16_t>(level);
    if (level > 0)
        txtLevel->setText(QString::number(level));
    else
        txtLevel->clear();
}

void frmMain::mnuNextLevel_Click()
{
    if (m_state.strFileName.isEmpty() || m_state.intLevelNumber >= RomLayout::kLevelCount)
        return;
    stepLevel(+1);
}

void frmMain::mnuPreviousLevel_Click()
{
    if (m_state.strFileName.isEmpty() || m_state.intLevelNumber <= 1)
        return;
    stepLevel(-1);
}

void frmMain::btnLevelAdd_Click()
{
    if (m_state.strFileName.isEmpty())
        return;
    // The test uses the level number, the new value comes from the bar; the two differ only
    // before the first level is chosen.
    if (m_state.intLevelNumber + 10 > RomLayout::kLevelCount)
        scrLevel->setNumber(RomLayout::kLevelCount);
    else
        scrLevel->setNumber(scrLevel->number() + 10);
    setLevelNumber(scrLevel->number());
}

void frmMain::btnLevelMinus_Click()
{
    if (m_state.strFileName.isEmpty())
        return;
    if (m_state.intLevelNumber - 10 < 1)
        scrLevel->setNumber(1);
    else
        scrLevel->setNumber(scrLevel->number() - 10);
    setLevelNumber(scrLevel->number());
}

void frmMain::scrLevel_Change()
{
    setLevelNumber(scrLevel->number());
}

void frmMain::mnuSave_Click()
{
    CommandScope scope(*this);
    if (m_state.strFileName.isEmpty())
        return;
    const int level = m_state.intLevelNumber;
    if (level < 1 || level > RomLayout::kLevelCount) {
        lblStatus->setText(tr("No level has been chosen yet, so nothing was saved."));
        return;
    }
    const std::int32_t offset = m_state.lngLevelOffset.at(static_cast<std::size_t>(level - 1));
    std::optional<LevelMap> &known = m_levelsAsKnown.at(static_cast<std::size_t>(level - 1));
    // The level is written only over the bytes this window last read or wrote there, in the
    // same access; a change made since by another program or window is asked about first.
    bool written = true;
    Status result = known ? LevelAccess::WriteLevelIfUnchanged(m_state.strFileName, offset, *known,
                                                               m_state.bytLevel, written)
                          : LevelAccess::WriteLevel(m_state.strFileName, offset, m_state.bytLevel);
    if (result && !written) {
        const QString question
            = tr("Level %1 in \"%2\" has changed since this window loaded or saved it. "
                 "Overwrite it with the level shown?")
                  .arg(level)
                  .arg(m_state.strFileName);
        if (!Dialogs::askYesNo(
                { this, QStringLiteral("Dorrik"), question, Dialogs::Icon::Exclamation })) {
            lblStatus->setText(tr("Nothing was saved: level %1 in \"%2\" was left as it is.")
                                   .arg(level)
                                   .arg(m_state.strFileName));
            return;
        }
        result = LevelAccess::WriteLevel(m_state.strFileName, offset, m_state.bytLevel);
    }
    if (!result) {
        reportError(failureText(tr("Could not save level %1 into").arg(level), result.error));
        return;
    }
    known = m_state.bytLevel;
    Dialogs::showMessage({ this, QStringLiteral("Dorrik"),
                           QStringLiteral("The file was successfully saved."),
                           Dialogs::Icon::Exclamation });
}

void frmMain::playLevel()
{
    CommandScope scope(*this);
    if (m_state.strFileName.isEmpty())
        return;
    const int level = m_state.intLevelNumber;
    if (level < 1 || level > RomLayout::kLevelCount) {
        lblStatus->setText(tr("Nothing to play: no level has been chosen yet."));
        return;
    }
    // The game starts at its first level, so the shown map goes there as well as in its own
    // place, as it is in the window, saved or not. The user's image is only read.
    QByteArray image;
    Status result = WholeFile::load(m_state.strFileName, image);
    const QByteArray map(reinterpret_cast<const char *>(m_state.bytLevel.bytes().data()),
                         RomLayout::kLevelBytes);
    for (const int place : { 1, level }) {
        const std::int32_t offset = m_state.lngLevelOffset.at(static_cast<std::size_t>(place - 1));
        if (result)
            result = FileAccess::checkSpan(image.size(), offset, RomLayout::kLevelBytes, "read");
        if (result)
            image.replace(offset, RomLayout::kLevelBytes, map);
    }
    if (!result) {
        reportError(failureText(tr("Could not play level %1 from").arg(level), result.error));
        return;
    }
    if (!m_playFolder)
        m_playFolder = std::make_unique<QTemporaryDir>(
            QDir(QDir::tempPath()).filePath(QStringLiteral("dorrik-play-XXXXXX")));
    if (!m_playFolder->isValid()) {
        reportError(tr("Could not play level %1: no folder for its copy could be made in "
                       "\"%2\": %3.")
                        .arg(level)
                        .arg(QDir::tempPath(), m_playFolder->errorString()));
        m_playFolder.reset();
        return;
    }
    // A new name for every copy: an emulator may still be running the last one.
    const QString copy
        = m_playFolder->filePath(QStringLiteral("%1-level%2-%3.gb")
                                     .arg(QFileInfo(m_state.strFileName).completeBaseName())
                                     .arg(level)
                                     .arg(++m_plays));
    if (const Status written = WholeFile::save(copy, image); !written) {
        reportError(tr("Could not play level %1: the copy \"%2\" could not be written: %3.")
                        .arg(level)
                        .arg(copy, written.error));
        return;
    }
    if (const Status opened = DesktopOpen::openGameBoyImage(copy); !opened) {
        lblStatus->setText(opened.error);
        return;
    }
    lblStatus->setText(tr("Playing level %1 from \"%2\".").arg(level).arg(copy));
}

void frmMain::mnuAbout_Click()
{
    frmAbout about;
    about.exec();
}
