#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <filesystem>
#include <optional>
#include <span>

namespace lumio {

// Images are drawn from their SVG here rather than through an icon engine
// plugin, so they look the same whichever plugins the system has.

// The SVG at `file` drawn into a square of side `size`; nullopt when it
// cannot be read.
std::optional<QImage> svgImage(const std::filesystem::path& file, int size);
std::optional<QPixmap> svgPixmap(const std::filesystem::path& file, int size);

// The file the build draws the SVG into at one size, beside it: menubar.svg
// at 22 is menubar-22.rgba, its pixels as premultiplied RGBA bytes, row by
// row. Raw pixels, as an image decoder would load Qt's image format plugins.
std::filesystem::path prerenderedPath(const std::filesystem::path& svg, int size);
bool savePrerendered(const QImage& image, const std::filesystem::path& file);

// The SVG at one size as the build drew it where that image is there, which
// keeps the SVG renderer and the painter out of the tray's memory, else drawn
// here.
std::optional<QPixmap> prerenderedPixmap(const std::filesystem::path& svg, int size);

// An icon holding the SVG at each of the sizes, as prerenderedPixmap has them.
std::optional<QIcon> svgIcon(const std::filesystem::path& file, std::span<const int> sizes);

// The same icon as the system draws it for something disabled, at the same sizes.
QIcon dimmedIcon(const QIcon& icon);

} // namespace lumio
