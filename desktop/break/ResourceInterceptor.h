#pragma once

#include <QWebEngineUrlRequestInterceptor>
#include <filesystem>
#include <optional>

namespace lumio {

// Lets the break page load nothing but files from its own folder: no network,
// no other file on the disk, no data: or blob: URLs.
class ResourceInterceptor final : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT

  public:
    // Until given a folder, everything is blocked.
    void allowOnly(const std::filesystem::path& folder);
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

    // Whether url is a local file inside folder once both are resolved
    // (symbolic links, "..").
    static bool isInside(const QUrl& url, const std::filesystem::path& folder);

  private:
    std::optional<std::filesystem::path> allowed;
};

} // namespace lumio
