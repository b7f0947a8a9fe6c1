#include "prefs/SettingsFileText.h"

#include "files/ReadFile.h"

#include <cerrno>

namespace lumio {

FileText readSettingsText(const std::filesystem::path& file) {
    auto read = readFileUpTo(file, MAX_SETTINGS_BYTES);
    if (!read.ok()) {
        const int error = read.status().code();
        if (error == ENOENT || error == ENOTDIR) return {FileState::Missing, {}, {}, {}};
        return {FileState::Unreadable, {}, read.status().reason(), stampOf(file)};
    }
    if (read->text.size() > MAX_SETTINGS_BYTES)
        return {FileState::Unusable, {}, "larger than 1 MiB", read->stamp};
    return {FileState::Usable, std::move(read->text), {}, read->stamp};
}

} // namespace lumio
