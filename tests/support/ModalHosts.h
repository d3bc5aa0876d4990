#pragma once

// Acting inside modal runs, which block the caller until they end: a timer
// looks for the window that runs and acts on what it hosts.

#include "app/shell/ModalWindow.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QObject>
#include <QSize>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <utility>

// Runs action once the innermost modal window hosts a widget of type T;
// gives up after ms (the caller then fails on its own checks).
template <typename T> void whenModalHosts(std::function<void(T*, ModalWindow*)> action, int ms = 10000)
{
    auto deadline = std::make_shared<QDeadlineTimer>(ms);
    auto timer = new QTimer();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action, deadline] {
        ModalWindow* w = ModalWindow::current();
        T* content = w && w->isVisible() ? qobject_cast<T*>(w->content()) : nullptr;
        if (!content && !deadline->hasExpired()) return;
        timer->stop();
        timer->deleteLater();
        if (content) action(content, w);
    });
    timer->start();
}

// Runs action once, when a widget of type T is first shown: for the content
// of a modal window, as its run starts and before its event loop has turned
// once (so before anything a worker posted meanwhile has arrived).
template <typename T> void whenShown(std::function<void(T*)> action)
{
    class Filter : public QObject {
    public:
        explicit Filter(std::function<void(T*)> a) : m_action(std::move(a)) {}
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            T* shown = event->type() == QEvent::Show ? qobject_cast<T*>(watched) : nullptr;
            if (shown == nullptr || !m_action) return false;
            QCoreApplication::instance()->removeEventFilter(this);
            deleteLater();
            std::exchange(m_action, nullptr)(shown);
            return false;
        }

    private:
        std::function<void(T*)> m_action;
    };
    QCoreApplication::instance()->installEventFilter(new Filter(std::move(action)));
}

// Runs the window modally, does action inside the run, and tells whether the
// run ended by itself within a moment of it; a run still going is ended.
inline bool runEndsAfter(ModalWindow& w, const std::function<void()>& action)
{
    bool stillRunning = false;
    QTimer::singleShot(0, &w, [&] {
        action();
        QTimer::singleShot(30, &w, [&] {
            stillRunning = w.isVisible();
            if (stillRunning) w.endModalRun();
        });
    });
    w.runModal();
    return !stillRunning;
}

// The same for content in a modal window of its own.
inline bool runHosted(QWidget& content, const QString& title, const QSize& size, const std::function<void()>& action)
{
    ModalWindow w;
    w.setContent(&content, title, size);
    const bool ended = runEndsAfter(w, action);
    w.setContent(nullptr, QString());
    return ended;
}
