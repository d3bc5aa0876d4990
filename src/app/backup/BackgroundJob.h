#pragma once

#include <QFuture>
#include <QFutureWatcher>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <QtConcurrent/QtConcurrentRun>

#include <functional>
#include <initializer_list>
#include <utility>

// Runs a job on the thread pool and hands its result to `done` on the
// context's thread. The worker never sees the context: it only gets the job.
// The owner keeps the returned future and waits for it before it goes.
template <typename Result>
QFuture<Result> runInBackground(QObject* context, std::function<Result()> work,
                                std::function<void(const Result&)> done)
{
    auto* watcher = new QFutureWatcher<Result>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context, [watcher, done = std::move(done)] {
        const Result result = watcher->result();
        watcher->deleteLater();
        done(result);
    });
    QFuture<Result> future = QtConcurrent::run(std::move(work));
    watcher->setFuture(future);
    return future;
}

// Posts a step from a worker to the context's thread; dropped when the
// context is gone by then. The context must outlive the call itself (its
// owner waits for the worker before it goes).
template <typename Fn>
void postToOwner(QObject* context, Fn&& fn)
{
    QMetaObject::invokeMethod(context, std::forward<Fn>(fn), Qt::QueuedConnection);
}

// The controls of a dialog that wait while it reads in the background.
inline void holdWhileBusy(std::initializer_list<QWidget*> controls, bool hold)
{
    for (QWidget* control : controls) control->setEnabled(!hold);
}
