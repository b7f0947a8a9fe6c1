#pragma once

#include "prefs/JsonSettingsStore.h"

#include <QTimer>

#include <functional>

namespace lumio {

// Picks up edits other programs (or the user, by hand) make to the settings
// file: it looks each time beat fires, the program's once-a-second ticker, so
// that it wakes the program no more often than the ticker does. A look costs
// one stat when nothing changed.
class SettingsReload final {
  public:
    SettingsReload(JsonSettingsStore& store, std::function<void()> onChange, const QTimer& beat);

  private:
    QObject context;
};

} // namespace lumio
