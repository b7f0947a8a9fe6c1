#include "desktop/tray/SvgImage.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace lumio;
namespace fs = std::filesystem;

namespace {

QImage pixels(const std::optional<QPixmap>& pixmap) {
    return pixmap ? pixmap->toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied)
                  : QImage();
}

TEST(SvgImage, TheBuildsDrawingIsReadBackAsDrawnAndAnythingElseIsDrawnAgain) {
    const test::TempDir folder;
    const auto svg = folder / "menubar.svg";
    fs::copy_file(fs::path(LUMIO_RESOURCES_DIR) / "menubar.svg", svg);
    const auto drawn = svgImage(svg, 22);
    ASSERT_TRUE(drawn);

    EXPECT_EQ(pixels(prerenderedPixmap(svg, 22)), *drawn) << "nothing prerendered";
    ASSERT_TRUE(savePrerendered(*drawn, prerenderedPath(svg, 22)));
    EXPECT_EQ(pixels(prerenderedPixmap(svg, 22)), *drawn) << "read back";
    // A drawing of another size is never taken for this one.
    ASSERT_TRUE(savePrerendered(*svgImage(svg, 21), prerenderedPath(svg, 22)));
    EXPECT_EQ(pixels(prerenderedPixmap(svg, 22)), *drawn) << "wrong size";
}

} // namespace
