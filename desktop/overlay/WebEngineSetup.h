#pragma once

namespace lumio {

// Process-wide settings the web engine reads once, when the first page is
// made; so this must run before that.
//  - Its report of the graphics setup goes nowhere: a tray program's stderr is
//    for problems.
//  - Run as root, Chromium refuses to start its sandbox and aborts the whole
//    program; we then run the page without it. The page can reach nothing but
//    its own folder either way.
void prepareWebEngine();

} // namespace lumio
