#include "desktop/tray/SvgImage.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <system_error>

namespace lumio {

std::optional<QPixmap> svgPixmap(const std::filesystem::path& file, int size) {
    // Asking Qt for a missing file would also log a warning.
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) return std::nullopt;
    QSvgRenderer renderer(QString::fromStdString(file.string()));
    if (!renderer.isValid()) return std::nullopt;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);
    renderer.render(&painter);
    painter.end();
    return QPixmap::fromImage(image);
}

std::optional<QIcon> svgIcon(const std::filesystem::path& file, std::span<const int> sizes) {
    QIcon icon;
    for (const int size : sizes) {
        auto pixmap = svgPixmap(file, size);
        if (!pixmap) return std::nullopt;
        icon.addPixmap(*pixmap);
    }
    return icon;
}

QIcon dimmedIcon(const QIcon& icon) {
    QIcon dimmed;
    for (const QSize& size : icon.availableSizes()) {
        dimmed.addPixmap(icon.pixmap(size, 1.0, QIcon::Disabled));
    }
    return dimmed;
}

} // namespace lumio
