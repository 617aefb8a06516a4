// The modal dialogs the editor shows: the Open File dialog, the message box and the question.
//
// Both go through a replaceable hook so that tests can answer them without a modal loop ever
// blocking the suite; the program itself never installs one.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

namespace Dialogs {

struct OpenFileRequest
{
    QWidget *owner = nullptr;
    QString title;
    QStringList filters; // display texts with their patterns, e.g. "All Files (*.*)"
    QString directory; // where the dialog starts
};

// Runs Qt's own (not the native) open-file dialog. Returns the chosen path without leading or
// trailing spaces, or nothing when the user cancels.
std::optional<QString> getOpenFileName(const OpenFileRequest &request);

using OpenFileHook = std::function<std::optional<QString>(const OpenFileRequest &)>;
void setOpenFileHook(OpenFileHook hook);

enum class Icon { Exclamation, Critical };

struct Message
{
    QWidget *owner = nullptr;
    QString title;
    QString text;
    Icon icon = Icon::Exclamation;
};

// Shows a modal message box with a single OK button and returns once it is dismissed.
void showMessage(const Message &message);

using MessageHook = std::function<void(const Message &)>;
void setMessageHook(MessageHook hook);

// Shows a modal question with Yes and No buttons, No the default, and returns true for Yes.
bool askYesNo(const Message &question);

using QuestionHook = std::function<bool(const Message &)>;
void setQuestionHook(QuestionHook hook);

} // namespace Dialogs
