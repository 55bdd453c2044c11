#include "platform/FileEnv.h"

namespace platform {

FileEnv::~FileEnv() = default;

}  // namespace platform
