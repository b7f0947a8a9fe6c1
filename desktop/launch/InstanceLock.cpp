#include "desktop/launch/InstanceLock.h"

#include <optional>

namespace lumio {

Result<FileLock> takeInstanceLock(const Result<std::filesystem::path>& place,
                                  const std::filesystem::path& tmp) {
    Status passedOver = place.status();
    // A lock that cannot be taken in the runtime folder (a planted link, a
    // file system without locks) is tried once more in the private folder.
    std::optional<std::filesystem::path> folder;
    if (place.ok()) folder = place.value();
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (folder) {
            auto lock = FileLock::take(*folder / "lumio.lock");
            if (lock.ok()) return lock;
            passedOver = lock.status().after(passedOver);
        }
        const auto fallback = privateTmpFolder(tmp);
        if (!fallback.ok()) return fallback.status().after(passedOver);
        if (folder == fallback.value()) break;
        folder = fallback.value();
    }
    return passedOver;
}

} // namespace lumio
