// The open-file dialog and the message box over Qt's widgets.
#include "Dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace Dialogs {
namespace {

OpenFileHook &openFileHook()
{
    static OpenFileHook hook;
    return hook;
}

MessageHook &messageHook()
{
    static MessageHook hook;
    return hook;
}

} // namespace

void setOpenFileHook(OpenFileHook hook)
{
    openFileHook() = std::move(hook);
}

void setMessageHook(MessageHook hook)
{
    messageHook() = std::move(hook);
}

std::optional<QString> getOpenFileName(const OpenFileRequest &request)
{
    std::optional<QString> chosen;
    if (const OpenFileHook &hook = openFileHook()) {
        chosen = hook(request);
    } else {
        QFileDialog dialog(request.owner, request.title, request.directory);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setNameFilters(request.filters);
        dialog.selectNameFilter(request.filters.value(0));
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().constFirst();
    }
    if (chosen)
        chosen = chosen->trimmed();
    return chosen;
}

void showMessage(const Message &message)
{
    if (const MessageHook &hook = messageHook()) {
        hook(message);
        return;
    }
    QMessageBox box(message.icon == Icon::Critical ? QMessageBox::Critical : QMessageBox::Warning,
                    message.title, message.text, QMessageBox::Ok, message.owner);
    box.exec();
}

} // namespace Dialogs
