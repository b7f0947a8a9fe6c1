#pragma once

#include "prefs/JsonSettingsStore.h"

#include <QTimer>

#include <functional>

namespace lumio {

// Picks up edits other programs (or the user, by hand) make to the settings
// file within a second or so. A look costs one stat when nothing changed.
class SettingsReload final {
  public:
    SettingsReload(JsonSettingsStore& store, std::function<void()> onChange);

  private:
    QTimer timer;
};

} // namespace lumio
