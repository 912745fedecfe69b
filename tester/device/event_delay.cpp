#include "event_delay.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <algorithm>

namespace orrick {

void DelayWithEvents(unsigned milliseconds) {
    QDeadlineTimer deadline(static_cast<qint64>(milliseconds));
    // A short sleep between rounds keeps the wait from spinning a core.
    constexpr qint64 kSlice = 5;
    while (true) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            break;
        QThread::msleep(static_cast<unsigned long>(std::min(left, kSlice)));
    }
}

} // namespace orrick
