#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lumio {

// The text --help or --version asks for (whichever comes first), printed
// before anything else happens; nullopt when neither is given.
std::optional<std::string> earlyAnswer(const std::vector<std::string>& arguments);

// The action a launch's options ask for ("quit" or one of the launch
// actions), "" for none.
std::string requestedAction(const std::vector<std::string>& arguments);

// Options starting with "--" that the program does not know, in order.
std::vector<std::string> unknownOptions(const std::vector<std::string>& arguments);

} // namespace lumio
