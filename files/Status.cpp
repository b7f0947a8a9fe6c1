#include "files/Status.h"

#include <system_error>

namespace lumio {

Status Status::error(int code, std::string step, std::filesystem::path path, std::string reason) {
    Status failed;
    failed.code_ = code;
    failed.step_ = std::move(step);
    failed.path_ = std::move(path);
    failed.reason_ = std::move(reason);
    return failed;
}

std::string Status::reason() const {
    if (ok()) return {};
    return reason_.empty() ? std::generic_category().message(code_) : reason_;
}

std::string Status::text() const {
    if (ok()) return {};
    std::string line = earlier_.empty() ? "" : earlier_ + "; ";
    line += step_;
    if (!step_.empty() && !path_.empty()) line += ' ';
    line += path_.string();
    if (!step_.empty() || !path_.empty()) line += ": ";
    return line + reason();
}

Status Status::after(const Status& earlier) const {
    Status joined = *this;
    joined.earlier_ = earlier.text();
    return joined;
}

} // namespace lumio
