// Processing pending events through Qt's event loop.
#include "Events.h"

#include <QCoreApplication>

namespace Events {

void doEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace Events
