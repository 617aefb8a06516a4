// Start-up to the first painted window, and the process's peak memory, as `dorrik IMAGE` runs.
#include "editor/frmMain.h"
#include "platform/Fonts.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <sys/resource.h>

namespace {

// Quits the application at the window's first paint.
class FirstPaint : public QObject
{
public:
    explicit FirstPaint(const QElapsedTimer &clock)
        : m_clock(clock)
    { }
    qint64 elapsedNs = -1;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && elapsedNs < 0) {
            elapsedNs = m_clock.nsecsElapsed();
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer &m_clock;
};

} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    Fonts::installSubstitutions();
    frmMain window(QApplication::arguments().mid(1));
    FirstPaint probe(clock);
    window.installEventFilter(&probe);
    window.show();
    QApplication::exec();

    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("startup_ms %.3f\npeak_rss_mb %.1f\n", static_cast<double>(probe.elapsedNs) / 1e6,
                static_cast<double>(usage.ru_maxrss) / 1024.0);
    return probe.elapsedNs < 0 ? 1 : 0;
}
