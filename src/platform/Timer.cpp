#include "platform/Timer.h"

#include <QTimer>

TTimer::TTimer(bool oneShot) : timer_(std::make_unique<QTimer>()), oneShot_(oneShot) {
    timer_->setInterval(1000);
    timer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer_.get(), &QTimer::timeout, [this] {
        if (oneShot_)
            timer_->stop();
        if (handler_)
            handler_();
    });
}

TTimer::~TTimer() = default;

void TTimer::SetInterval(int ms) {
    const bool running = timer_->isActive();
    timer_->setInterval(ms < 0 ? 0 : ms);
    if (running)
        timer_->start();
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled)
        timer_->start();
    else
        timer_->stop();
}

bool TTimer::Enabled() const {
    return timer_->isActive();
}

void TTimer::SetOnTimer(std::function<void()> handler) {
    handler_ = std::move(handler);
}
