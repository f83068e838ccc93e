#pragma once

#include "FetchResult.h"

#include <QObject>

// One request under way. It ends exactly once: finished() is emitted from
// the event loop, never from inside the call that made the request, and
// the reply deletes itself afterwards. abort() ends it at once with a
// failure; an aborted reply emits nothing more.
//
// Anything that answers a request (the network, a source that composes a
// page from several others, a fake) makes one and calls finish().
class FetchReply : public QObject
{
    Q_OBJECT
public:
    explicit FetchReply(QObject* parent = nullptr) : QObject(parent) {}

    bool isFinished() const { return m_finished; }

    // Ends the request with `result`, from the event loop; later calls do
    // nothing.
    void finish(FetchResult result);

    // The same, emitting at once: for a caller that is itself run by the
    // event loop (a reply's own end), where one more turn of the loop would
    // only add to the wait.
    void finishNow(const FetchResult& result);

    // Stops the request; finished() is not emitted any more, even when
    // finish() was already called.
    void abort();

Q_SIGNALS:
    void finished(const FetchResult& result);
    // For whoever does the work behind the reply: the request is dropped.
    void aborted();

private:
    bool m_finished = false;
    bool m_aborted = false;
};
