// Letting the window system catch up from inside a long command.
#pragma once

namespace Events {

// Processes every pending event (repaints, input, menu commands) and returns. Handlers that
// run from here can change the editor's state; the caller re-checks what it relies on.
void doEvents();

} // namespace Events
