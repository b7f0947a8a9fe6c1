#pragma once

#include <filesystem>
#include <string_view>

namespace lumio {

// The file this running program was started from, even once it has been
// replaced on disk; empty when the system will not say.
std::filesystem::path executablePath();

// The images and page: resources/ next to a built program, else the share
// folder of an installed one (<prefix>/bin/../share/lumio).
std::filesystem::path findResources(const std::filesystem::path& executableDir);

// A helper program (lumio-break, lumio-sound): next to a built program, else in
// the libexec folder of an installed one (<prefix>/libexec/lumio).
std::filesystem::path findHelper(const std::filesystem::path& executableDir, std::string_view name);

} // namespace lumio
