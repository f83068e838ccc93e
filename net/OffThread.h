#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QtConcurrent/QtConcurrentRun>
#include <functional>

// Work on what came from outside (the service's answers, pictures), done
// off the window's thread. Every answer is read there, whatever its size:
// what reading text costs is not told by its length alone (a few
// kilobytes of zone codes can name a state's every zone), and handing a
// small page to a worker costs a fraction of a millisecond.
namespace OffThread {

// Runs `work` on a worker thread and hands its result to `done` on
// `context`'s thread from the event loop, unless `context` is gone by then.
// `work` must touch nothing but the values it holds. The worker belongs to
// Qt's global pool, which the application waits for when it ends: work
// that may run long must be told to stop by its owner (a flag it holds)
// before the program ends, or ending waits for it.
template <typename T> void onWorker(QObject* context, std::function<T()> work, std::function<void(T)> done)
{
    auto* watcher = new QFutureWatcher<T>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context, [watcher, done = std::move(done)] {
        watcher->deleteLater();
        done(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(std::move(work)));
}

} // namespace OffThread
