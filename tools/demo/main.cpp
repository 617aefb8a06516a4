// dorrik-demo-image: writes the project's own sample ROM image to the file it is given.
#include "DemoArt.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSaveFile>
#include <QString>

#include <cstdio>

namespace {

constexpr int kFailure = 2;

int cannotWrite(const QString &path, const QString &reason)
{
    std::fprintf(stderr, "dorrik-demo-image: cannot write %s: %s\n", qPrintable(path),
                 qPrintable(reason));
    return kFailure;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes Dorrik's own sample ROM image."));
    const QCommandLineOption help = parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("OUTPUT.gb"),
                                 QStringLiteral("The image to write."));
    const bool parsed = parser.parse(QCoreApplication::arguments());
    if (parsed && parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (!parsed || parser.positionalArguments().size() != 1
        || parser.positionalArguments().front().isEmpty()) {
        if (!parsed)
            std::fprintf(stderr, "dorrik-demo-image: %s\n", qPrintable(parser.errorText()));
        std::fputs(qPrintable(parser.helpText()), stderr);
        return kFailure;
    }

    // QSaveFile writes beside the target and renames over it, so an interrupted build never
    // leaves a short image for the editor or the tests to open.
    const QString path = parser.positionalArguments().front();
    const QByteArray image = DemoArt::buildImage();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return cannotWrite(path, file.errorString());
    if (file.write(image) != image.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return cannotWrite(path, reason);
    }
    if (!file.commit())
        return cannotWrite(path, file.errorString());
    return 0;
}
