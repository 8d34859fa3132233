#include "platform/Application.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QObject>
#include <QThread>

#include <atomic>
#include <mutex>

struct TApplication::State {
    mutable std::mutex mutex;
    std::string title;
    std::atomic<bool> terminated{false};
    std::function<void()> onIdle;
    QMetaObject::Connection idleConnection;
    bool inIdle = false;
};

TApplication& TApplication::Instance() {
    static TApplication app;
    return app;
}

TApplication::State& TApplication::state() const {
    static State s;
    return s;
}

void TApplication::SetTitle(const std::string& title) {
    std::lock_guard lock(state().mutex);
    state().title = title;
}

std::string TApplication::Title() const {
    std::lock_guard lock(state().mutex);
    return state().title;
}

bool TApplication::IsMainThread() {
    auto* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

void TApplication::ProcessMessages() {
    if (!QCoreApplication::instance() || !IsMainThread())
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool TApplication::Terminated() const {
    return state().terminated.load();
}

void TApplication::Terminate() {
    state().terminated = true;
    if (QCoreApplication::instance())
        QCoreApplication::quit();
}

void TApplication::ResetTerminated() {
    state().terminated = false;
}

void TApplication::SetOnIdle(std::function<void()> hook) {
    State& s = state();
    s.onIdle = std::move(hook);
    if (s.idleConnection)
        QObject::disconnect(s.idleConnection);
    s.idleConnection = {};
    if (!s.onIdle || !QCoreApplication::instance())
        return;
    auto* dispatcher = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread());
    if (!dispatcher)
        return;
    // aboutToBlock is emitted only when the loop waits for new events, never
    // from the non-blocking pump of ProcessMessages, so the hook runs at true
    // idle moments. The hook must not block.
    s.idleConnection = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [] {
        State& st = Instance().state();
        if (st.inIdle || !st.onIdle)
            return;
        st.inIdle = true;
        auto hook = st.onIdle;
        hook();
        st.inIdle = false;
    });
}
