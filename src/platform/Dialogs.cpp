// The open-file dialog and the message box over Qt's widgets.
#include "Dialogs.h"

#include "DialogSettings.h"

#include <QFileDialog>
#include <QFileSystemModel>
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

QuestionHook &questionHook()
{
    static QuestionHook hook;
    return hook;
}

// "*.*" is the pattern of every file, names without a dot included, where the filters were
// written; Qt's dialog matches it literally and would hide "rom" or "game-backup". While such a
// filter is chosen, the list shows every file; the filter's text stays as it is.
void listEveryFileUnderStarDotStar(QFileDialog &dialog, const QString &filter)
{
    auto *files = dialog.findChild<QFileSystemModel *>();
    if (files && filter.endsWith(QLatin1String("(*.*)")))
        files->setNameFilters({ QStringLiteral("*") });
}

} // namespace

void setQuestionHook(QuestionHook hook)
{
    questionHook() = std::move(hook);
}

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
        // Qt's dialog saves its history, last folder and view settings when it goes, which
        // is before the scope ends.
        const DialogSettingsScope noSavedState;
        QFileDialog dialog(request.owner, request.title, request.directory);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setNameFilters(request.filters);
        dialog.selectNameFilter(request.filters.value(0));
        listEveryFileUnderStarDotStar(dialog, dialog.selectedNameFilter());
        // Emitted after the dialog has applied the chosen filter's own patterns.
        QObject::connect(
            &dialog, &QFileDialog::filterSelected, &dialog,
            [&dialog](const QString &filter) { listEveryFileUnderStarDotStar(dialog, filter); });
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

bool askYesNo(const Message &question)
{
    if (const QuestionHook &hook = questionHook())
        return hook(question);
    QMessageBox box(question.icon == Icon::Critical ? QMessageBox::Critical : QMessageBox::Warning,
                    question.title, question.text, QMessageBox::Yes | QMessageBox::No,
                    question.owner);
    // Enter or a stray click on the default keeps the file as it is.
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace Dialogs
