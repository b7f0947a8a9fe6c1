#include "desktop/launch/DesktopScale.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

using namespace lumio;

namespace {

// One setting in the XSETTINGS wire format, little-endian: an integer, or a
// string when text is given.
void add(std::vector<std::uint8_t>& out, const std::string& name, std::uint32_t value,
         const std::string* text = nullptr) {
    const auto number = [&out](std::uint32_t v, int size) {
        for (int i = 0; i < size; ++i)
            out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    const auto padded = [&out](const std::string& s) {
        out.insert(out.end(), s.begin(), s.end());
        out.resize(out.size() + (4 - s.size() % 4) % 4, 0);
    };
    number(text ? 1 : 0, 1);
    number(0, 1);
    number(static_cast<std::uint32_t>(name.size()), 2);
    padded(name);
    number(7, 4);
    if (text) {
        number(static_cast<std::uint32_t>(text->size()), 4);
        padded(*text);
    } else {
        number(value, 4);
    }
}

std::vector<std::uint8_t> settings(int count) {
    return {0, 0, 0, 0, 1, 0, 0, 0, static_cast<std::uint8_t>(count), 0, 0, 0};
}

} // namespace

TEST(DesktopScale, TheWindowScaleIsReadAmongOtherSettings) {
    const std::string theme = "Adwaita";
    auto both = settings(3);
    add(both, "Net/ThemeName", 0, &theme);
    add(both, "Xft/Antialias", 1);
    add(both, "Gdk/WindowScalingFactor", 2);
    auto without = settings(1);
    add(without, "Xft/Antialias", 1);
    auto truncated = both;
    truncated.resize(truncated.size() - 2);
    auto bigEndian = std::vector<std::uint8_t>{1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 23};
    const std::string name = "Gdk/WindowScalingFactor";
    bigEndian.insert(bigEndian.end(), name.begin(), name.end());
    bigEndian.insert(bigEndian.end(), {0, 0, 0, 0, 7, 0, 0, 0, 3});

    const std::vector<std::tuple<const char*, std::vector<std::uint8_t>, std::optional<int>>> rows{
        {"after a string and an integer", both, 2},
        {"absent", without, std::nullopt},
        {"cut short", truncated, std::nullopt},
        {"big-endian", bigEndian, 3},
        {"empty", {}, std::nullopt},
    };
    for (const auto& [what, bytes, expected] : rows)
        EXPECT_EQ(windowScalingFactor(bytes), expected) << what;
}
