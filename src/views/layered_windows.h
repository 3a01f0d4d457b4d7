#pragma once

namespace faceloom {

// Whether top-level windows can be translucent per pixel on this display: on X11 only while a
// compositing manager runs; on Wayland, Windows and macOS always; on the offscreen and other
// headless platforms never. Asked of the platform on the first call (at start-up, after the
// application object exists) and remembered for the run.
bool LayeredWindowsAvailable();

// The same question asked now, without remembering the answer.
bool DetectLayeredWindows();

}  // namespace faceloom
