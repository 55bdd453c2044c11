#pragma once

// Sets an environment variable for the life of the object and then puts
// back what was there before (its old value, or no variable at all).

#include <optional>
#include <string>

namespace testsupport {

class ScopedEnv {
public:
  // Value nothing removes the variable.
  ScopedEnv(std::string Name, std::optional<std::string> Value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
  std::string name_;
  std::optional<std::string> previous_;
};

}  // namespace testsupport
