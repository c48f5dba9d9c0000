#include "background_task.h"

#include <pthread.h>
#include <sched.h>

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

void BackgroundTask::launch(std::function<void(std::stop_token)> body) {
    requestStop();
    wait();
    thread_ = std::jthread(std::move(body));
}

}  // namespace sorrel
