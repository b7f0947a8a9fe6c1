#include "desktop/launch/Resources.h"

#include <system_error>

namespace lumio {

std::filesystem::path executablePath() {
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return path;
}

std::filesystem::path findResources(const std::filesystem::path& executableDir) {
    std::error_code error;
    if (auto beside = executableDir / "resources"; std::filesystem::is_directory(beside, error)) {
        return beside;
    }
    return (executableDir / ".." / "share" / "lumio").lexically_normal();
}

std::filesystem::path findBreakHelper(const std::filesystem::path& executableDir) {
    constexpr auto NAME = "lumio-break";
    std::error_code error;
    if (auto beside = executableDir / NAME; std::filesystem::is_regular_file(beside, error)) {
        return beside;
    }
    return (executableDir / LUMIO_HELPER_FROM_BIN / NAME).lexically_normal();
}

} // namespace lumio
