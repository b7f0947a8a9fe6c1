#include "desktop/system/IdleSourceChooser.h"

#include "support/CapturedStderr.h"

#include <gtest/gtest.h>

namespace lumio {
namespace {

// Works (starts and answers) while its flag says so; answers `answer`.
class FakeSource final : public IdleSource {
  public:
    FakeSource(std::string name, bool events, const bool& works, double answer)
        : label(std::move(name)), events(events), works(works), answer(answer) {}
    std::string name() const override { return label; }
    bool tellsEvents() const override { return events; }
    bool start(double threshold, std::function<void()>) override {
        return threshold == 300 && works;
    }
    std::optional<double> idleSeconds() override {
        return works ? std::optional(answer) : std::nullopt;
    }

  private:
    std::string label;
    bool events;
    const bool& works;
    double answer;
};

struct Step {
    double now;
    std::string works; // one letter per source: y works, n does not
    std::string inUse; // the source answering, "" for none
    int logLines;      // so far
};

struct Case {
    const char* what;
    std::string events; // one letter per source: e tells events, p is asked
    std::vector<Step> steps;
};

TEST(IdleSourceChooserTest, UsesTheFirstSourceThatWorksAndRetriesTheOthersLater) {
    const std::vector<Case> cases{
        {"the first answers", "pp", {{0, "yy", "A", 0}}},
        {"the first fails, the second answers", "pp", {{0, "ny", "B", 0}}},
        {"none, then one appears: a line each, the new one asked after the rest",
         "pp",
         {{0, "nn", "", 1}, {1, "nn", "", 1}, {20, "ny", "", 1}, {31, "ny", "B", 2}}},
        {"a failed source is retried after the rest, and preferred again",
         "pp",
         {{0, "yy", "A", 0}, {1, "ny", "B", 0}, {10, "yy", "B", 0}, {31.5, "yy", "A", 0}}},
        {"events before polling", "pe", {{0, "yy", "B", 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bool works[2] = {false, false};
        std::vector<std::unique_ptr<IdleSource>> sources;
        for (std::size_t i = 0; i < 2; ++i) {
            sources.push_back(std::make_unique<FakeSource>(
                std::string(1, char('A' + i)), c.events[i] == 'e', works[i], 10.0 * double(i + 1)));
        }
        const test::CapturedStderr log;
        IdleSourceChooser chooser(std::move(sources));
        chooser.watch(300, {});
        for (const auto& step : c.steps) {
            SCOPED_TRACE(step.now);
            for (std::size_t i = 0; i < 2; ++i)
                works[i] = step.works[i] == 'y';
            const double seconds = chooser.idleSeconds(step.now);
            // A answers 10, B 20.
            EXPECT_EQ(seconds, step.inUse.empty() ? 0 : 10.0 * (step.inUse[0] - 'A' + 1));
            const std::string lines = log.str();
            EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), step.logLines) << lines;
        }
        if (c.steps.back().logLines == 2) {
            EXPECT_NE(log.str().find("now comes from B\n"), std::string::npos) << log.str();
        }
    }
}

} // namespace
} // namespace lumio
