// dorrik-demo-image: writes the project's own sample ROM image to the file it is given.
#include "DemoArt.h"

#include <QSaveFile>
#include <QString>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kFailure = 2;
constexpr char kUsage[] = "usage: dorrik-demo-image OUTPUT.gb\n";

int cannotWrite(const QString &path, const QString &reason)
{
    std::fprintf(stderr, "dorrik-demo-image: cannot write %s: %s\n", qPrintable(path),
                 qPrintable(reason));
    return kFailure;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc != 2 || argv[1][0] == '\0') {
        std::fputs(kUsage, stderr);
        return kFailure;
    }

    // QSaveFile writes beside the target and renames over it, so an interrupted build never
    // leaves a short image for the editor or the tests to open.
    const QString path = QString::fromLocal8Bit(argv[1]);
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
