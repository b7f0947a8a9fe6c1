#include "desktop/overlay/NullOverlay.h"
#include "overlay/Overlay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <sstream>

using namespace lumio;

namespace {

class CapturedStderr {
  public:
    CapturedStderr() : saved(std::cerr.rdbuf(captured.rdbuf())) {}
    ~CapturedStderr() { std::cerr.rdbuf(saved); }
    CapturedStderr(const CapturedStderr&) = delete;
    CapturedStderr& operator=(const CapturedStderr&) = delete;
    std::string text() const { return captured.str(); }

  private:
    std::ostringstream captured;
    std::streambuf* saved;
};

TEST(NullOverlay, EachBreakIsAnnouncedOnceAndNothingShows) {
    NullOverlayToolkit toolkit("/res");
    EXPECT_EQ(toolkit.resourceDirectory(), "/res");
    Overlay overlay(toolkit, [](const std::string&) {});

    CapturedStderr err;
    overlay.show("cat", 20, true);
    overlay.show("dog", 20, false);
    overlay.hide();
    const auto text = err.text();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
    EXPECT_EQ(text.rfind("lumio: ", 0), 0u);
    EXPECT_FALSE(overlay.isLoaded());
}

TEST(NullOverlay, PanelsNeverShowAndFadesEndAtOnce) {
    NullOverlayToolkit toolkit("/res");
    auto panel = toolkit.makePanel({.level = 1, .clickThrough = true, .blackAlpha = 0.3});
    panel->orderFront();
    EXPECT_FALSE(panel->isVisible());
    bool faded = false;
    panel->animateAlpha(0, Seconds{0.3}, [&] { faded = true; });
    EXPECT_TRUE(faded);
    EXPECT_EQ(toolkit.screens().screens().size(), 1u);
    EXPECT_TRUE(toolkit.screens().mainScreen());
}

} // namespace
