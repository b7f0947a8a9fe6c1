#pragma once

#include <QIcon>
#include <QPixmap>

#include <filesystem>
#include <optional>
#include <span>

namespace lumio {

// Images are drawn from their SVG here rather than through an icon engine
// plugin, so they look the same whichever plugins the system has.

// The SVG at `file` drawn into a square of side `size`; nullopt when it
// cannot be read.
std::optional<QPixmap> svgPixmap(const std::filesystem::path& file, int size);

// An icon holding the SVG drawn at each of the sizes.
std::optional<QIcon> svgIcon(const std::filesystem::path& file, std::span<const int> sizes);

// The same icon as the system draws it for something disabled, at the same sizes.
QIcon dimmedIcon(const QIcon& icon);

} // namespace lumio
