#include "files/Diagnostics.h"

#include <cerrno>
#include <iostream>
#include <mutex>
#include <set>
#include <string>

namespace lumio {
namespace {

std::mutex& guard() {
    static std::mutex mutex;
    return mutex;
}

std::string& programName() {
    static std::string name = program_invocation_short_name;
    return name;
}

std::set<std::string, std::less<>>& said() {
    static std::set<std::string, std::less<>> lines;
    return lines;
}

// One write per line, so that lines from several threads never interleave.
void write(std::string_view line, bool prefixed = true) {
    std::string whole = prefixed ? programName() + ": " : std::string();
    whole += line;
    whole += '\n';
    std::cerr << whole << std::flush;
}

bool sayOnce(std::string_view line, bool prefixed) {
    const std::scoped_lock lock(guard());
    if (!said().emplace(line).second) return false;
    write(line, prefixed);
    return true;
}

} // namespace

void setProgramName(std::string_view name) {
    const std::scoped_lock lock(guard());
    programName() = name;
}

void diagnose(std::string_view line) {
    const std::scoped_lock lock(guard());
    write(line);
}

bool diagnoseOnce(std::string_view line) {
    return sayOnce(line, true);
}

bool relayOnce(std::string_view line) {
    return sayOnce(line, false);
}

} // namespace lumio
