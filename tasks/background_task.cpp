#include "background_task.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace sorrel {

BackgroundTask::~BackgroundTask() {
    requestStop();
    wait();
}

void BackgroundTask::requestStop() {
    thread_.request_stop();
}

void BackgroundTask::wait() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

void RunAtIdlePriority() {
    // Lowering one's own priority needs no privilege; where it fails the work
    // runs as before.
    const sched_param param{};
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
}

void RunBelowGuiPriority() {
    // The nice value is the calling thread's own on Linux; raising it needs
    // no privilege. Where it fails the work runs as before.
    constexpr int BelowGui = 5;
    const auto thread = static_cast<id_t>(syscall(SYS_gettid));
    const int now = getpriority(PRIO_PROCESS, thread);
    if (now < BelowGui) {
        setpriority(PRIO_PROCESS, thread, BelowGui);
    }
}

void BackgroundTask::launch(std::function<void(std::stop_token)> body) {
    requestStop();
    wait();
    thread_ = std::jthread([body = std::move(body)](std::stop_token stop) {
        RunBelowGuiPriority();
        body(std::move(stop));
    });
}

}  // namespace sorrel
