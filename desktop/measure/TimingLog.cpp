#include "desktop/measure/TimingLog.h"

#include "files/Diagnostics.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <ostream>

namespace lumio {

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

std::unique_ptr<TimingLog> TimingLog::open(const std::filesystem::path& file) {
    std::ofstream out(file, std::ios::app);
    if (!out) {
        diagnose("cannot open the timing log " + file.string() + ": " + std::strerror(errno));
        return nullptr;
    }
    out << std::fixed << std::setprecision(1);
    return std::make_unique<TimingLog>(std::move(out));
}

std::unique_ptr<TimingLog> TimingLog::fromEnvironment() {
    const char* file = std::getenv("LUMIO_TIMING_LOG");
    if (!file || !*file) return nullptr;
    return open(file);
}

void TimingLog::tickBegan(std::chrono::system_clock::duration late) {
    tickStart = Clock::now() - std::chrono::duration_cast<Clock::duration>(late);
}

void TimingLog::tickEnded() {
    tickStart.reset();
}

void TimingLog::scriptSent() {
    sent = Clock::now();
    shownByTick = tickStart;
}

void TimingLog::painted() {
    if (!sent) return;
    out << "painted tick_ms=";
    if (shownByTick) {
        out << millisecondsSince(*shownByTick);
    } else {
        out << "-";
    }
    out << " script_ms=" << millisecondsSince(*sent) << std::endl;
    sent.reset();
    shownByTick.reset();
}

} // namespace lumio
