#include "EventLoopYielder.h"

#include <QCoreApplication>

void EventLoopYielder::yield()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}
