#pragma once

namespace lumio {

// Process-wide settings the web engine reads once, when the first page is
// made; so this must run before that.
//  - Its report of the graphics setup goes nowhere: a tray program's stderr is
//    for problems.
//  - Run as root, Chromium refuses to start its sandbox and aborts the whole
//    program; we then run the page without it. The page can reach nothing but
//    its own folder either way.
//  - WebRTC connections never pass the request interceptor, and the page needs
//    no network: WebRTC's UDP is switched off, and its TCP, which then has to
//    go through a proxy, is sent to one that cannot exist, even for loopback
//    addresses.
void prepareWebEngine();

// Must run before QApplication exists. The break page is one small card,
// which software drawing handles as well as a GPU would, so the program loads
// no OpenGL driver at all: that alone saves about a sixth of its memory (a
// Mesa driver is tens of MiB). Someone who sets QT_XCB_GL_INTEGRATION or
// QT_QUICK_BACKEND keeps their choice. The web engine's notes that it found
// no OpenGL, expected when drawing in software, are kept off stderr.
void preferSoftwareDrawing();

} // namespace lumio
