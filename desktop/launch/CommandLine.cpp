#include "desktop/launch/CommandLine.h"

#include "app/LaunchActions.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace lumio {

namespace {

constexpr std::array<std::string_view, 5> KNOWN_OPTIONS{"--break-now", "--toggle-pause", "--quit",
                                                        "--help", "--version"};

constexpr const char* HELP = "Cách dùng: lumio [--break-now | --toggle-pause | --quit]\n"
                             "Lumio nhắc bạn nghỉ mắt: cứ vài phút, một bạn thú hiện ra ở góc "
                             "màn hình.\nMọi cài đặt nằm trong biểu tượng con mèo ở khay hệ "
                             "thống.\n\n"
                             "Nếu Lumio đang chạy, lệnh được chuyển cho bản đang chạy.\n\n"
                             "  --break-now     nghỉ mắt ngay\n"
                             "  --toggle-pause  tạm dừng 1 giờ, hoặc tiếp tục nhắc\n"
                             "  --quit          thoát Lumio đang chạy\n"
                             "  --help          in hướng dẫn này rồi thoát\n"
                             "  --version       in phiên bản rồi thoát\n";

} // namespace

std::optional<std::string> earlyAnswer(const std::vector<std::string>& arguments) {
    for (const auto& argument : arguments) {
        if (argument == "--help") return HELP;
        if (argument == "--version") return std::string("lumio ") + LUMIO_VERSION + "\n";
    }
    return std::nullopt;
}

std::string requestedAction(const std::vector<std::string>& arguments) {
    if (std::ranges::find(arguments, "--quit") != arguments.end()) return "quit";
    for (const auto& [option, action] : LAUNCH_ACTIONS) {
        if (std::ranges::find(arguments, option) != arguments.end()) return std::string(action);
    }
    return "";
}

std::vector<std::string> unknownOptions(const std::vector<std::string>& arguments) {
    std::vector<std::string> unknown;
    for (const auto& argument : arguments) {
        if (argument.starts_with("--") &&
            std::ranges::find(KNOWN_OPTIONS, argument) == KNOWN_OPTIONS.end() &&
            !argument.starts_with(RESUME_NEXT_BREAK) &&
            !argument.starts_with(RESUME_PAUSED_UNTIL)) {
            unknown.push_back(argument);
        }
    }
    return unknown;
}

} // namespace lumio
