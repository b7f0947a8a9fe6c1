#include "desktop/SettingsReload.h"

namespace lumio {

namespace {
constexpr int LOOK_EVERY_MS = 1000;
} // namespace

SettingsReload::SettingsReload(JsonSettingsStore& store, std::function<void()> onChange) {
    QObject::connect(&timer, &QTimer::timeout, &timer, [&store, onChange = std::move(onChange)] {
        if (store.reloadIfChanged() && onChange) onChange();
    });
    timer.start(LOOK_EVERY_MS);
}

} // namespace lumio
