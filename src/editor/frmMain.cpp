// The main window's start-up, close guard and error reporting.
#include "frmMain.h"

#include "platform/Dialogs.h"
#include "rom/CBuffer.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

frmMain::frmMain(const QStringList &arguments, QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    buildLayout();
    buildMenus();
    setTabOrder();
    buildHistory();
    buildLevelCommands();
    Form_Load(arguments);
}

// The play folder's type is complete here, where the pointer that owns it goes.
frmMain::~frmMain() = default;

void frmMain::Form_Load(const QStringList &arguments)
{
    ReadCommandLine(arguments);
    createPaletteGridLines();
    CBuffer::lngShade = TileGraphics::kShades;
    m_state.intSelectableTilesOffset = 0;
    txtTiles->setText(QString::number(m_state.intSelectableTilesOffset));
    m_state.intLeftSelectedTile = 0;
    m_state.intRightSelectedTile = 0;
    m_state.intCurrentSelectedTile = 0;
    for (int level = 1; level <= RomLayout::kLevelCount; ++level)
        m_state.lngLevelOffset.at(static_cast<std::size_t>(level - 1))
            = RomLayout::levelOffset(level);
    // Nothing is read from the image and nothing is drawn until the user acts.
}

void frmMain::ReadCommandLine(const QStringList &arguments)
{
    // The whole argument text is one path: a path with spaces works quoted or not, and a
    // shell that split it into several arguments gets it joined back with single spaces.
    QString text = arguments.join(QLatin1Char(' '));
    text.remove(QLatin1Char('"'));
    m_state.strFileName = text;
}

void frmMain::Form_Unload(bool &cancel)
{
    // A level that is still loading keeps the window open; unsaved edits are not asked about.
    if (m_state.boolCancelUnload)
        cancel = true;
}

void frmMain::closeEvent(QCloseEvent *event)
{
    bool cancel = false;
    Form_Unload(cancel);
    if (cancel)
        event->ignore();
    else
        event->accept();
}

QString frmMain::failureText(const QString &what, const QString &reason) const
{
    return tr("%1 \"%2\": %3.").arg(what, m_state.strFileName, reason);
}

frmMain::CommandScope::CommandScope(frmMain &window)
    : m_window(window)
{
    ++m_window.m_commandDepth;
}

frmMain::CommandScope::~CommandScope()
{
    if (--m_window.m_commandDepth == 0)
        m_window.m_errorsShown.clear();
}

void frmMain::reportError(const QString &text)
{
    lblStatus->setText(text);
    if (m_commandDepth > 0 && m_errorsShown.contains(text))
        return;
    m_errorsShown.append(text);
    Dialogs::showMessage({ this, QStringLiteral("Dorrik"), text, Dialogs::Icon::Critical });
}

void frmMain::reportPointerError(const QString &text)
{
    lblStatus->setText(text);
}
