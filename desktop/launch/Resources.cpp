#include "desktop/launch/Resources.h"

#include <string_view>
#include <system_error>

namespace lumio {

std::filesystem::path executablePath() {
    // What the kernel adds for a program whose file was removed or renamed over.
    constexpr std::string_view DELETED = " (deleted)";
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error).string();
    if (error) return {};
    if (path.ends_with(DELETED)) path.resize(path.size() - DELETED.size());
    return path;
}

std::filesystem::path findResources(const std::filesystem::path& executableDir) {
    std::error_code error;
    if (auto beside = executableDir / "resources"; std::filesystem::is_directory(beside, error)) {
        return beside;
    }
    return (executableDir / ".." / "share" / "lumio").lexically_normal();
}

std::filesystem::path findHelper(const std::filesystem::path& executableDir,
                                 std::string_view name) {
    std::error_code error;
    if (auto beside = executableDir / name; std::filesystem::is_regular_file(beside, error)) {
        return beside;
    }
    return (executableDir / LUMIO_HELPER_FROM_BIN / name).lexically_normal();
}

} // namespace lumio
