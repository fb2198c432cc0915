#include "platform/event.h"

#include <chrono>

void AutoResetEvent::signal() {
    {
        std::lock_guard<std::mutex> hold(mutex_);
        set_ = true;
    }
    signalled_.notify_one();
}

void AutoResetEvent::wait() {
    std::unique_lock<std::mutex> hold(mutex_);
    signalled_.wait(hold, [this] { return set_; });
    set_ = false;
}

bool AutoResetEvent::wait_for_ms(uint32_t milliseconds) {
    std::unique_lock<std::mutex> hold(mutex_);
    if (!signalled_.wait_for(hold, std::chrono::milliseconds(milliseconds), [this] { return set_; })) return false;
    set_ = false;
    return true;
}
