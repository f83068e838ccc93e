#include "FetchReply.h"

#include <QTimer>

void FetchReply::finish(FetchResult result)
{
    if (m_finished)
        return;
    m_finished = true;
    // Queued, so a receiver connected after the request was made (or a
    // reply finished before its maker returned) never misses the end.
    QTimer::singleShot(0, this, [this, result = std::move(result)] {
        if (m_aborted)
            return;
        Q_EMIT finished(result);
        deleteLater();
    });
}

void FetchReply::finishNow(const FetchResult& result)
{
    if (m_finished)
        return;
    m_finished = true;
    Q_EMIT finished(result);
    deleteLater();
}

void FetchReply::abort()
{
    if (m_aborted)
        return;
    const bool running = !m_finished;
    m_finished = true;
    m_aborted = true;
    if (running)
        Q_EMIT aborted();
    deleteLater();
}
