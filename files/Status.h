#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>

namespace lumio {

// How an operation on the system ended: done, or failed with errno, the step that failed and
// where. Cheap to return and to copy; a failure reads as one English log line. Thread: any.
class Status {
  public:
    // Done.
    Status() = default;
    // Failed with errno code (not 0) at step on path, both optional; reason replaces the
    // system's text for code when given ("not a folder").
    static Status error(int code, std::string step, std::filesystem::path path = {},
                        std::string reason = {});

    bool ok() const { return code_ == 0; }
    // errno of the failure; 0 when done.
    int code() const { return code_; }
    const std::string& step() const { return step_; }
    const std::filesystem::path& path() const { return path_; }
    // Why, without the step or the path: "No space left on device".
    std::string reason() const;
    // "cannot write the temporary file /x/y: No space left on device", after the text of the
    // failures this one followed ("; " between them); empty when done.
    std::string text() const;
    // This failure, said after earlier (one tried before it, in vain); this alone when earlier
    // is done.
    Status after(const Status& earlier) const;

  private:
    int code_ = 0;
    std::string step_;
    std::filesystem::path path_;
    std::string reason_;
    std::string earlier_;
};

// A value, or the Status of why there is none. Thread: any (one owner at a time).
template <typename T> class Result {
  public:
    Result(T value) : value_(std::move(value)) {}
    // failure must not be done.
    Result(Status failure) : status_(std::move(failure)) {}

    bool ok() const { return value_.has_value(); }
    // Done when ok().
    const Status& status() const { return status_; }
    // Only when ok().
    T& value() { return *value_; }
    const T& value() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }

  private:
    std::optional<T> value_;
    Status status_;
};

} // namespace lumio
