#pragma once

namespace mivora {

// Whether a compositing manager runs on the X screen of the program's display, so that windows with an
// alpha channel show what lies beneath them. False without an X11 connection.
bool compositing();

} // namespace mivora
