#include "gui_task.h"

namespace sorrel {

GuiTask::~GuiTask() {
    task_.requestStop();
    task_.wait();
}

void GuiTask::cancel() {
    task_.requestStop();
    finish();
}

void GuiTask::finish() {
    ++generation_;
    busy_ = false;
    callbacks_.reset();
}

}  // namespace sorrel
