// A main window on a test image, with its dialogs answered by the test instead of a user.
#pragma once

#include "TestImages.h"
#include "editor/frmMain.h"
#include "os/FileAccess.h"
#include "platform/Dialogs.h"
#include "platform/DrawingSurface.h"
#include "platform/Fonts.h"
#include "rom/TileGraphics.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

class EditorHarness
{
public:
    // With withImage, the patterned image is written and named on the command line, as
    // `dorrik image.gb` would start.
    explicit EditorHarness(bool withImage = true)
    {
        Fonts::installSubstitutions();
        image = dir.filePath(QStringLiteral("image.gb"));
        bytes = TestImages::patterned();
        TestImages::write(image, bytes);
        Dialogs::setMessageHook(
            [this](const Dialogs::Message &message) { messages.append(message); });
        Dialogs::setQuestionHook([this](const Dialogs::Message &question) {
            questions.append(question);
            return answer;
        });
        Dialogs::setOpenFileHook([this](const Dialogs::OpenFileRequest &request) {
            openRequests.append(request);
            return nextOpen;
        });
        FileAccess::setFaultHook([this](FileAccess::Op op) {
            if (op == FileAccess::Op::Open)
                ++opens;
            return 0;
        });
        window = std::make_unique<frmMain>(withImage ? QStringList { image } : QStringList {});
    }

    ~EditorHarness()
    {
        window.reset();
        Dialogs::setMessageHook({});
        Dialogs::setQuestionHook({});
        Dialogs::setOpenFileHook({});
        FileAccess::setFaultHook({});
    }

    EditorHarness(const EditorHarness &) = delete;
    EditorHarness &operator=(const EditorHarness &) = delete;

    const EditorState &state() const { return window->state(); }

    template<typename Widget = QWidget> Widget *get(const char *name) const
    {
        auto *widget = window->findChild<Widget *>(QLatin1String(name));
        if (!widget)
            qFatal("no control named %s", name);
        return widget;
    }

    QString text(const char *name) const
    {
        if (auto *label = window->findChild<QLabel *>(QLatin1String(name)))
            return label->text();
        return get<QLineEdit>(name)->text();
    }

    DrawingSurface *surface(const char *name) const { return get<DrawingSurface>(name); }

    // The 16 x 16 cell at (column, row) of a surface's kept image.
    QImage cell(const char *name, int column, int row) const
    {
        constexpr int kCell = TileGraphics::kCellPixels;
        return surface(name)->image().copy(kCell * column, kCell * row, kCell, kCell);
    }

    // The picture tile t has in the image file as it is now.
    QImage tilePicture(int tile) const
    {
        return TestImages::expectedTile(TestImages::tileBytesOf(TestImages::read(image), tile));
    }

    QByteArray fileBytes() const { return TestImages::read(image); }

    QTemporaryDir dir;
    QString image;
    QByteArray bytes;
    std::unique_ptr<frmMain> window;
    QList<Dialogs::Message> messages;
    // The questions asked, and the answer each one gets: Yes when true.
    QList<Dialogs::Message> questions;
    bool answer = false;
    QList<Dialogs::OpenFileRequest> openRequests;
    std::optional<QString> nextOpen;
    int opens = 0;
};
