// Copy and paste of level text, files dropped on the window, and Escape.
#include "EditSteps.h"
#include "frmMain.h"
#include "platform/DrawingSurface.h"
#include "rom/LevelText.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>

namespace {

// The one local file a drag carries, when it names a Game Boy image; empty otherwise.
QString droppedImage(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return {};
    const QUrl &url = data->urls().constFirst();
    if (!url.isLocalFile()
        || !url.toLocalFile().endsWith(QLatin1String(".gb"), Qt::CaseInsensitive))
        return {};
    return url.toLocalFile();
}

} // namespace

void frmMain::buildLevelCommands()
{
    connect(addKeyCommand("copy", { QKeySequence::Copy }), &QAction::triggered, this,
            &frmMain::copyLevel);
    connect(addKeyCommand("paste", { QKeySequence::Paste }), &QAction::triggered, this,
            &frmMain::pasteLevel);
    connect(addKeyCommand("clearSelection", { QKeySequence(Qt::Key_Escape) }), &QAction::triggered,
            this, [this] { setSelection(std::nullopt); });
    connect(addKeyCommand("play", { QKeySequence(Qt::Key_F5) }), &QAction::triggered, this,
            &frmMain::playLevel);
    connect(picEditor, &DrawingSurface::pointerLeft, this, [this] { m_pointerCell.reset(); });
    // The text boxes take Ctrl+C and Ctrl+V for themselves unless they are told otherwise.
    txtLevel->installEventFilter(this);
    txtTiles->installEventFilter(this);
    setAcceptDrops(true);
}

bool frmMain::clipboardKeysActOnLevel() const
{
    return levelHasTheKeys() || !qobject_cast<const QLineEdit *>(QApplication::focusWidget());
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    // Declining the override lets the key reach the window's Copy and Paste commands.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Paste))
            && levelHasTheKeys()) {
            event->ignore();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::copyLevel()
{
    if (!clipboardKeysActOnLevel() || m_state.strFileName.isEmpty())
        return;
    const int level = m_state.intLevelNumber;
    if (level < 1) {
        lblStatus->setText(tr("Nothing was copied: no level has been loaded yet."));
        return;
    }
    QByteArray text;
    if (m_selection) {
        text = LevelText::formatPiece(m_state.bytLevel, m_selection->x(), m_selection->y(),
                                      m_selection->width(), m_selection->height());
        lblStatus->setText(
            tr("Copied %1 x %2 cells.").arg(m_selection->width()).arg(m_selection->height()));
    } else {
        text = LevelText::format({ { level, m_state.bytLevel } });
        lblStatus->setText(tr("Copied level %1.").arg(level));
    }
    QGuiApplication::clipboard()->setText(QString::fromLatin1(text));
}

void frmMain::pasteLevel()
{
    CommandScope scope(*this);
    if (!clipboardKeysActOnLevel() || m_state.strFileName.isEmpty())
        return;
    if (m_state.intLevelNumber < 1) {
        lblStatus->setText(tr("Nothing was pasted: no level has been loaded yet."));
        return;
    }
    LevelText::Piece piece;
    LevelText::ParseError error;
    if (!LevelText::parsePiece(QGuiApplication::clipboard()->text().toUtf8(), piece, error)) {
        lblStatus->setText(tr("Nothing was pasted: %1:%2: %3.")
                               .arg(error.line)
                               .arg(error.column)
                               .arg(error.reason));
        return;
    }
    // A whole level fills the level; rows go where the pointer is, else where the selection
    // begins, else at the first cell.
    QPoint at(0, 0);
    if (!piece.wholeLevel && m_pointerCell)
        at = QPoint(*m_pointerCell % RomLayout::kLevelColumns,
                    *m_pointerCell / RomLayout::kLevelColumns);
    else if (!piece.wholeLevel && m_selection)
        at = m_selection->topLeft();
    LevelData input;
    if (!readStepTiles(input, tr("paste")))
        return;
    // One step of the history, as a stroke over the pasted cells would be.
    endStroke();
    int placed = 0;
    for (int row = 0; row < piece.rows; ++row) {
        for (int column = 0; column < piece.columns; ++column) {
            const int x = at.x() + column;
            const int y = at.y() + row;
            if (!LevelMap::inRange(x, y))
                continue;
            noteStrokeCell(x, y);
            m_state.bytLevel.setCell(x, y,
                                     piece.tiles.at(std::size_t(row * piece.columns + column)));
            drawCell(x, y, input.tiles);
            ++placed;
        }
    }
    endStroke();
    setSelection(std::nullopt);
    lblStatus->setText(tr("Pasted %1 at %2,%3.").arg(cellsText(placed)).arg(at.x()).arg(at.y()));
}

void frmMain::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedImage(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent *event)
{
    const QString path = droppedImage(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // Opened once the drop is over: a message box must not hold up the program it came from.
    QMetaObject::invokeMethod(
        this, [this, path] { openImage(path); }, Qt::QueuedConnection);
}
