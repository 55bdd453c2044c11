#include "support/ScopedEnv.h"

#include <cstdlib>

namespace testsupport {

namespace {

void Set(const std::string& Name, const std::optional<std::string>& Value) {
#ifdef _WIN32
  // An empty value removes a variable on Windows: the best there is.
  _putenv_s(Name.c_str(), Value ? Value->c_str() : "");
#else
  if (Value)
    ::setenv(Name.c_str(), Value->c_str(), 1);
  else
    ::unsetenv(Name.c_str());
#endif
}

}  // namespace

ScopedEnv::ScopedEnv(std::string Name, std::optional<std::string> Value) : name_(std::move(Name)) {
  if (const char* old = std::getenv(name_.c_str())) previous_ = old;
  Set(name_, Value);
}

ScopedEnv::~ScopedEnv() { Set(name_, previous_); }

}  // namespace testsupport
