#include "desktop/Resources.h"

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

} // namespace lumio
