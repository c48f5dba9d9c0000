// The application's exception display: a message box with the message of an
// exception that escaped an event handler, after which the program goes on.
// The application object shows through it what escapes any event; the
// windows' handlers hand it what escapes their bodies, catching it at their
// own edge rather than letting it unwind through the toolkit's frames.
#pragma once

#include <QString>
#include <exception>

namespace sorrel {

// The title of the message box.
inline constexpr const char* ExceptionDisplayTitle = "Sorrel";

// Shows message in a modal message box owned by the active window.
void ShowExceptionMessage(const QString& message);
// Shows an exception: a std::exception with its message, anything else with
// an empty one.
void ShowException(const std::exception_ptr& error);

// Runs the body of an event handler; an exception that escapes it goes to
// the exception display, and the handler returns. False when it did.
template <typename Body>
bool RunHandler(Body&& body) noexcept {
    try {
        body();
        return true;
    } catch (...) {
        ShowException(std::current_exception());
        return false;
    }
}

}  // namespace sorrel
