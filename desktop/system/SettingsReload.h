#pragma once

#include "files/UniqueFd.h"
#include "prefs/JsonSettingsStore.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>

namespace lumio {

// Picks up edits other programs (or the user, by hand) make to the settings
// file as the kernel reports them (inotify on its folder, and on the folder
// it links into), so nothing wakes the program while nobody touches the
// file. A folder that does not exist yet is waited for from the nearest one
// that does. Changes that could not be saved yet are tried again every
// RETRY_MS until they are. Main thread.
class SettingsReload final {
  public:
    static constexpr int RETRY_MS = 2000;

    SettingsReload(JsonSettingsStore& store, std::filesystem::path file,
                   std::function<void()> onChange);

  private:
    void watchFolders();
    void look();

    JsonSettingsStore& store;
    const std::filesystem::path file;
    const std::function<void()> onChange;
    UniqueFd events;
    std::unique_ptr<QSocketNotifier> readable;
    // Watched folder → its watch.
    std::map<std::filesystem::path, int> watches;
    QTimer retry;
    QObject context;
};

} // namespace lumio
