#include "desktop/tray/SvgImage.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <fstream>
#include <string>
#include <system_error>

namespace lumio {

std::optional<QImage> svgImage(const std::filesystem::path& file, int size) {
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
    return image;
}

std::optional<QPixmap> svgPixmap(const std::filesystem::path& file, int size) {
    auto image = svgImage(file, size);
    if (!image) return std::nullopt;
    return QPixmap::fromImage(*image);
}

std::filesystem::path prerenderedPath(const std::filesystem::path& svg, int size) {
    auto path = svg;
    path.replace_filename(svg.stem().string() + "-" + std::to_string(size) + ".rgba");
    return path;
}

bool savePrerendered(const QImage& image, const std::filesystem::path& file) {
    const QImage bytes = image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    for (int y = 0; y < bytes.height(); ++y)
        out.write(reinterpret_cast<const char*>(bytes.constScanLine(y)), bytes.width() * 4);
    return static_cast<bool>(out.flush());
}

std::optional<QPixmap> prerenderedPixmap(const std::filesystem::path& svg, int size) {
    QImage image(size, size, QImage::Format_RGBA8888_Premultiplied);
    std::ifstream in(prerenderedPath(svg, size), std::ios::binary);
    for (int y = 0; in && y < size; ++y)
        in.read(reinterpret_cast<char*>(image.scanLine(y)), size * 4);
    // Exactly the pixels of that size, or the file is not the build's drawing.
    if (in && in.peek() == std::ifstream::traits_type::eof()) return QPixmap::fromImage(image);
    return svgPixmap(svg, size);
}

std::optional<QIcon> svgIcon(const std::filesystem::path& file, std::span<const int> sizes) {
    QIcon icon;
    for (const int size : sizes) {
        auto pixmap = prerenderedPixmap(file, size);
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
