#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QtConcurrent/QtConcurrentRun>
#include <functional>

// Work on text from outside, done where it costs the window least.
namespace OffThread {

// Work on at most this many characters is done in place: an everyday page
// is read in well under a millisecond, less than handing it to a worker
// and back costs. Only a large one would hold the window up.
inline constexpr qsizetype inPlaceLimit = 64 * 1024;

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

// Runs `work` and hands its result to `done` on `context`'s thread: at once
// when `size` is at most inPlaceLimit, else as onWorker() does. `work` must
// touch nothing but the values it holds.
template <typename T>
void run(QObject* context, qsizetype size, std::function<T()> work, std::function<void(T)> done)
{
    if (size <= inPlaceLimit) {
        done(work());
        return;
    }
    onWorker<T>(context, std::move(work), std::move(done));
}

} // namespace OffThread
