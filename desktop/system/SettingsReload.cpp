#include "desktop/system/SettingsReload.h"

namespace lumio {

SettingsReload::SettingsReload(JsonSettingsStore& store, std::function<void()> onChange,
                               const QTimer& beat) {
    QObject::connect(&beat, &QTimer::timeout, &context, [&store, onChange = std::move(onChange)] {
        if (store.reloadIfChanged() && onChange) onChange();
    });
}

} // namespace lumio
