// Playing a level on Windows: the program associated with ".gb" for "open", as the shell
// reports it (the user's choice in Settings included), and the image opened through the shell,
// as a double-click in Explorer opens it.
#include "DesktopOpen.h"
#include "WindowsReason.h"

#include <QDir>
#include <QFileInfo>

#include <string>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <objbase.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <windows.h>

namespace DesktopOpen {
namespace {

const QString kChooseOne = QStringLiteral("choose an emulator for them, for instance mGBA.");

// ASSOCSTR_PROGID, which the headers name only when built for Windows 10 alone.
constexpr ASSOCSTR kProgId = static_cast<ASSOCSTR>(20);

// One string of the ".gb" association for "open", empty when there is none. The "Unknown"
// class, which every extension falls back to, is no program for the images.
QString associated(ASSOCSTR what)
{
    const ASSOCF flags = ASSOCF_NOTRUNCATE | ASSOCF_INIT_IGNOREUNKNOWN;
    DWORD length = 0;
    if (AssocQueryStringW(flags, what, L".gb", L"open", nullptr, &length) != S_FALSE || length == 0)
        return {};
    std::wstring text(length, L'\0');
    if (FAILED(AssocQueryStringW(flags, what, L".gb", L"open", text.data(), &length)))
        return {};
    return QString::fromWCharArray(text.c_str());
}

QString runningProgram()
{
    std::wstring name(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), DWORD(name.size()));
    return QString::fromWCharArray(name.c_str(), qsizetype(length));
}

} // namespace

Status openGameBoyImage(const QString &path)
{
    QString program = associated(ASSOCSTR_EXECUTABLE);
    if (program.isEmpty())
        program = programOfCommand(associated(ASSOCSTR_COMMAND));
    if (program.isEmpty())
        return Status::failure(
            QStringLiteral("No program is set to open Game Boy images (.gb files): ") + kChooseOne);
    if (isDorrikOnWindows(program, associated(kProgId), runningProgram()))
        return Status::failure(
            QStringLiteral("Game Boy images (.gb files) open with Dorrik itself: ") + kChooseOne);

    const std::wstring file
        = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()).toStdWString();
    SHELLEXECUTEINFOW info {};
    info.cbSize = sizeof info;
    // Errors come back instead of a message box, and the call returns only once the program is
    // started, which a shell extension might otherwise still be doing when the editor goes on.
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = file.c_str();
    info.nShow = SW_SHOWNORMAL;
    // Shell extensions that start the program may need COM; the editor's thread has it already.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const bool started = ShellExecuteExW(&info);
    const DWORD error = GetLastError();
    if (SUCCEEDED(com))
        CoUninitialize();
    if (started)
        return {};
    QString name = associated(ASSOCSTR_FRIENDLYAPPNAME);
    if (name.isEmpty())
        name = QFileInfo(program).fileName();
    return Status::failure(
        QStringLiteral("The program for Game Boy images (.gb files), %1, did not start: %2.")
            .arg(name, windowsReason(error)));
}

} // namespace DesktopOpen
