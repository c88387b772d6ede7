#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace lindrel::test {

// Sets an environment variable, or removes it when there is no value (support/posix and
// support/win32 each have theirs).
void SetEnvironment(const std::string& name, const std::optional<std::string>& value);

// Sets (or, with no value, removes) an environment variable for a test's scope.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) {
            old_ = old;
        }
        Set(value);
    }
    ~ScopedEnv() { Set(old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void Set(const std::optional<std::string>& value) const { SetEnvironment(name_, value); }
    std::string name_;
    std::optional<std::string> old_;
};

} // namespace lindrel::test
