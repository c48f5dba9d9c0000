#include "background_task.h"

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

void BackgroundTask::launch(std::function<void(std::stop_token)> body) {
    requestStop();
    wait();
    thread_ = std::jthread(std::move(body));
}

}  // namespace sorrel
