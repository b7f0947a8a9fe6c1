#pragma once
// What the code under test says on stderr through std::cerr (files/Diagnostics.h), kept for the
// test to read instead.

#include <iostream>
#include <sstream>
#include <string>

namespace lumio::test {

class CapturedStderr {
  public:
    CapturedStderr() : kept_(std::cerr.rdbuf(text_.rdbuf())) {}
    ~CapturedStderr() { std::cerr.rdbuf(kept_); }
    CapturedStderr(const CapturedStderr&) = delete;
    CapturedStderr& operator=(const CapturedStderr&) = delete;

    std::string str() const { return text_.str(); }
    void clear() { text_.str(""); }

  private:
    std::ostringstream text_;
    std::streambuf* kept_;
};

} // namespace lumio::test
