// The program's own file on POSIX systems.

#include <unistd.h>

#include <vector>

#include "platform/VersionRes.h"

namespace platform {

std::string ProgramFileName() {
  // Linux names the running program's file in /proc; the link's target is
  // the path it was started from.
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return std::string();
    if (static_cast<std::size_t>(n) < buffer.size()) return std::string(buffer.data(), n);
    if (buffer.size() >= (1u << 20)) return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace platform
