#include "desktop/break/ResourceInterceptor.h"

#include <algorithm>
#include <system_error>

namespace lumio {

namespace {

std::filesystem::path resolved(const std::filesystem::path& path) {
    std::error_code error;
    auto result = std::filesystem::weakly_canonical(path, error);
    return error ? std::filesystem::path{} : result;
}

} // namespace

void ResourceInterceptor::allowOnly(const std::filesystem::path& folder) {
    allowed = resolved(folder);
}

void ResourceInterceptor::interceptRequest(QWebEngineUrlRequestInfo& info) {
    info.block(!allowed || !isInside(info.requestUrl(), *allowed));
}

bool ResourceInterceptor::isInside(const QUrl& url, const std::filesystem::path& folder) {
    if (!url.isLocalFile() || !url.host().isEmpty()) return false;
    const auto root = resolved(folder);
    const auto file = resolved(url.toLocalFile().toStdString());
    if (root.empty() || file.empty() || !root.is_absolute()) return false;
    const auto [rootEnd, fileAt] =
        std::mismatch(root.begin(), root.end(), file.begin(), file.end());
    return rootEnd == root.end() && fileAt != file.end();
}

} // namespace lumio
