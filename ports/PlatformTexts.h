#pragma once

// The few texts that name the desktop the program runs on; every other text
// is the same on every desktop.
namespace lumio::texts {

inline constexpr const char* LAUNCH_AT_LOGIN = "Mở cùng máy tính";
inline constexpr const char* LAUNCH_AT_LOGIN_FAILED = "Không bật được \"Mở cùng máy tính\"";
inline constexpr const char* LAUNCH_AT_LOGIN_ADVICE =
    "Hãy kiểm tra quyền ghi thư mục ~/.config/autostart rồi thử lại.";

} // namespace lumio::texts
