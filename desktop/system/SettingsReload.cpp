#include "desktop/system/SettingsReload.h"

#include "files/Diagnostics.h"
#include "files/LinkTarget.h"

#include <QAbstractEventDispatcher>

#include <array>
#include <cerrno>
#include <cstring>
#include <set>
#include <string>

#include <sys/inotify.h>
#include <unistd.h>

namespace lumio {

namespace fs = std::filesystem;

namespace {

// A save renames a new file over the old one; an editor may write in place.
constexpr std::uint32_t FOLDER_EVENTS = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE |
                                        IN_DELETE | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF |
                                        IN_ONLYDIR;

// The folder itself, or the nearest one above it that exists.
fs::path existingFolder(fs::path folder) {
    std::error_code error;
    while (!fs::is_directory(folder, error) && folder.has_relative_path())
        folder = folder.parent_path();
    return folder;
}

} // namespace

SettingsReload::SettingsReload(JsonSettingsStore& store, fs::path file,
                               std::function<void()> onChange)
    : store(store), file(std::move(file)), onChange(std::move(onChange)),
      events(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    retry.setSingleShot(true);
    retry.setInterval(RETRY_MS);
    QObject::connect(&retry, &QTimer::timeout, &context, [this] { look(); });
    // A change made in the menu that could not be saved comes back here.
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                     &context, [this] {
                         if (this->store.savePending() && !retry.isActive()) retry.start();
                     });
    if (!events.valid()) {
        diagnose(std::string("cannot watch the settings file for changes: ") +
                 std::strerror(errno));
        return;
    }
    readable = std::make_unique<QSocketNotifier>(events.get(), QSocketNotifier::Read);
    QObject::connect(readable.get(), &QSocketNotifier::activated, &context, [this] {
        std::array<char, 4096> buffer{};
        while (::read(events.get(), buffer.data(), buffer.size()) > 0) {
        }
        watchFolders();
        look();
    });
    watchFolders();
}

void SettingsReload::watchFolders() {
    const std::set wanted{existingFolder(file.parent_path()),
                          existingFolder(linkTarget(file).parent_path())};
    for (auto it = watches.begin(); it != watches.end();) {
        if (wanted.contains(it->first)) {
            ++it;
            continue;
        }
        inotify_rm_watch(events.get(), it->second);
        it = watches.erase(it);
    }
    // Adding a folder again keeps its watch, and brings back one the kernel
    // dropped when the folder went away.
    for (const auto& folder : wanted) {
        const int watch = inotify_add_watch(events.get(), folder.c_str(), FOLDER_EVENTS);
        if (watch >= 0) {
            watches.insert_or_assign(folder, watch);
        } else {
            diagnoseOnce("cannot watch " + folder.string() +
                         " for changes to the settings: " + std::strerror(errno));
        }
    }
}

void SettingsReload::look() {
    if (store.reloadIfChanged() && onChange) onChange();
}

} // namespace lumio
