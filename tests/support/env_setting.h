// An environment variable set (or, with a null value, unset) for a scope,
// and restored after.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace testsupport {

class EnvSetting {
public:
    EnvSetting(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~EnvSetting() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }
    EnvSetting(const EnvSetting&) = delete;
    EnvSetting& operator=(const EnvSetting&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace testsupport
