#include "platform/Application.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <mutex>

struct TApplication::State {
    mutable std::mutex mutex;
    std::string title;
    std::atomic<bool> terminated{false};
    std::function<void()> onIdle;
    QMetaObject::Connection idleConnection;
    bool inIdle = false;
    int waits = 0; // ProcessMessagesUntil calls under way (main thread only)
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

bool TApplication::HandlesMessagesHere() {
    auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void TApplication::ProcessMessages() {
    if (!HandlesMessagesHere())
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool TApplication::ProcessMessagesUntil(std::chrono::steady_clock::time_point deadline,
                                        const std::function<bool()>& done) {
    if (!HandlesMessagesHere())
        return done();
    State& s = state();
    ++s.waits;
    struct Leave {
        State& s;
        ~Leave() { --s.waits; }
    } leave{s};
    // The timer's event ends the sleep at the deadline; messages and WakeUp
    // end it earlier.
    QTimer deadlineTimer;
    deadlineTimer.setSingleShot(true);
    deadlineTimer.setTimerType(Qt::PreciseTimer);
    for (;;) {
        if (done())
            return true;
        if (Terminated())
            return false;
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero())
            return false;
        if (!deadlineTimer.isActive())
            deadlineTimer.start(std::chrono::ceil<std::chrono::milliseconds>(left));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

void TApplication::WakeUp() {
    auto* app = QCoreApplication::instance();
    if (!app)
        return;
    if (auto* dispatcher = QAbstractEventDispatcher::instance(app->thread()))
        dispatcher->wakeUp();
}

bool TApplication::Terminated() const {
    return state().terminated.load();
}

void TApplication::Terminate() {
    state().terminated = true;
    if (QCoreApplication::instance())
        QCoreApplication::quit();
    WakeUp();
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
    // from the non-blocking pump of ProcessMessages; the waits of
    // ProcessMessagesUntil are skipped, so the hook runs at true idle moments.
    // The hook must not block.
    s.idleConnection = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [] {
        State& st = Instance().state();
        if (st.inIdle || !st.onIdle || st.waits > 0)
            return;
        st.inIdle = true;
        auto hook = st.onIdle;
        hook();
        st.inIdle = false;
    });
}
