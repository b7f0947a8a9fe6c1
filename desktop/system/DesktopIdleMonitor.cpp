#include "desktop/system/DesktopIdleMonitor.h"

#include "desktop/system/MutterIdleSource.h"
#include "desktop/system/ScreenSaverIdleSource.h"
#include "desktop/system/WaylandIdleSource.h"
#include "desktop/system/X11IdleSource.h"
#include "desktop/system/X11SyncIdleSource.h"

#include <chrono>

namespace lumio {

namespace {

std::vector<std::unique_ptr<IdleSource>> desktopSources() {
    std::vector<std::unique_ptr<IdleSource>> sources;
    sources.push_back(std::make_unique<WaylandIdleSource>());
    sources.push_back(std::make_unique<MutterIdleSource>());
    sources.push_back(std::make_unique<X11SyncIdleSource>());
    sources.push_back(std::make_unique<X11IdleSource>());
    for (const auto* path : {"/org/freedesktop/ScreenSaver", "/ScreenSaver"}) {
        sources.push_back(std::make_unique<ScreenSaverIdleSource>(QString::fromLatin1(path)));
    }
    return sources;
}

double monotonicSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

DesktopIdleMonitor::DesktopIdleMonitor(double timeScale)
    : timeScale(timeScale), sources(desktopSources()) {}

void DesktopIdleMonitor::watch(Seconds threshold, std::function<void()> crossed) {
    sources.watch(threshold.count() / timeScale, [this, crossed = std::move(crossed)] {
        QMetaObject::invokeMethod(&context, crossed, Qt::QueuedConnection);
    });
}

double DesktopIdleMonitor::secondsSinceLastInput() {
    return sources.idleSeconds(monotonicSeconds()) * timeScale;
}

} // namespace lumio
