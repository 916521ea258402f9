#pragma once

#include <optional>
#include <string>

// Sets (or, given no value, removes) one environment variable for the life of the object and
// puts the previous state back afterwards.
class ScopedEnv {
  public:
    ScopedEnv(std::string name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string name_;
    std::optional<std::string> previous_;
};
