#include "channel/BreakProtocol.h"

#include <gtest/gtest.h>

using namespace lumio;
using namespace lumio::channel;

TEST(BreakProtocol, EveryMessageComesBackAsItWasSent) {
    const std::vector<FromTray> fromTray{
        Hello{},
        MakePanel{3, {.level = 1001, .clickThrough = true, .blackAlpha = 0.3}},
        MakePage{4, 3, 340, 430, "/usr/share/lumio/overlay.html", "/usr/share/lumio"},
        PlacePanel{3, {1580.5, -20, 340, 430}},
        ShowPanel{3},
        HidePanel{3},
        SetOpacity{3, 0},
        FadePanel{3, 1, 0.35, 7},
        ShowBreak{4, {"frog\"'</script>", 45, 5}},
        Ping{}};
    for (const auto& message : fromTray) {
        const auto line = encode(message);
        EXPECT_EQ(line.find('\n'), std::string::npos) << line;
        EXPECT_EQ(decodeFromTray(line).message, message) << line;
        if (!std::holds_alternative<Hello>(message)) {
            EXPECT_FALSE(decodeFromHelper(line).message) << "not the other direction's: " << line;
        }
    }
    const std::vector<FromHelper> fromHelper{Hello{7},
                                             PageLoaded{4},
                                             PageSaid{4, PageEvent::Done},
                                             PageSaid{4, PageEvent::Skipped},
                                             PageSaid{4, PageEvent::Snoozed},
                                             PageSaid{4, PageEvent::Closed},
                                             PageFailed{4},
                                             Faded{3, 7},
                                             Painted{},
                                             Alive{}};
    for (const auto& message : fromHelper)
        EXPECT_EQ(decodeFromHelper(encode(message)).message, message) << encode(message);
}

TEST(BreakProtocol, LinesNotUnderstoodSayWhy) {
    const std::vector<std::pair<std::string, std::string>> rows{
        {"", "a line that is not an object"},
        {"ping", "a line that is not an object"},
        {"[1,2]", "a line that is not an object"},
        {R"({"panel":3})", "a line with no type"},
        {R"({"type":7})", "a line with no type"},
        {R"x({"type":"eval","script":"alert(1)"})x", "a line of unknown type \"eval\""},
        {R"({"type":"showPanel"})", "a \"showPanel\" line with fields missing or wrong"},
        {R"({"type":"showPanel","panel":"3"})",
         "a \"showPanel\" line with fields missing or wrong"},
        {R"({"type":"hello","version":1.5})", "a \"hello\" line with fields missing or wrong"},
        {R"({"type":"makePage","page":1,"host":2,"width":1,"height":1,"file":"x"})",
         "a \"makePage\" line with fields missing or wrong"},
        {R"({"type":"ping"})" + std::string(MAX_LINE, ' '), "a line of 16399 bytes"}};
    for (const auto& [line, problem] : rows) {
        const auto decoded = decodeFromTray(line);
        EXPECT_FALSE(decoded.message) << line;
        EXPECT_EQ(decoded.problem, problem) << line;
    }
    EXPECT_EQ(decodeFromHelper(R"({"type":"pageSaid","page":1,"event":"Done"})").problem,
              "a \"pageSaid\" line with fields missing or wrong");
    EXPECT_EQ(decodeFromTray(R"({"type":"hello","version":2,"more":true})").message,
              FromTray{Hello{2}})
        << "another version still reads as a hello, for the receiver to judge";
}

TEST(BreakProtocol, ThePageSpeaksInFourExactWords) {
    const std::vector<std::pair<std::string, std::optional<PageEvent>>> rows{
        {"done", PageEvent::Done},      {"skip", PageEvent::Skipped},
        {"snooze", PageEvent::Snoozed}, {"closed", PageEvent::Closed},
        {"Done", std::nullopt},         {"done ", std::nullopt},
        {"skipped", std::nullopt},      {"", std::nullopt}};
    for (const auto& [word, event] : rows)
        EXPECT_EQ(pageEvent(word), event) << word;
}
