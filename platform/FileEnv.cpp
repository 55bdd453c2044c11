#include "platform/FileEnv.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<FileEnv*> current{nullptr};
}

FileEnv::~FileEnv() = default;

FileEnv* CurrentFileEnv() {
  FileEnv* env = current.load(std::memory_order_acquire);
  return env != nullptr ? env : FileEnv::Default();
}

ScopedFileEnv::ScopedFileEnv(FileEnv* Env) : previous_(current.exchange(Env)) {}

ScopedFileEnv::~ScopedFileEnv() { current.store(previous_); }

}  // namespace platform
