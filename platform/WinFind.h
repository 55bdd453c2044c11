#pragma once

// The system's search through a folder, shared by the Windows file
// services and the Windows folder listing.

#include <windows.h>

#include <functional>
#include <string>

namespace platform {

// Calls Each for every entry of the folder Path but "." and "..", in the
// order the system finds them. Returns NO_ERROR, or the system's error
// code when the folder cannot be searched to its end. A folder without any
// entry (a drive's empty root, which lacks even "." and "..") is no error.
DWORD ForEachFound(const std::string& Path, const std::function<void(const WIN32_FIND_DATAA&)>& Each);

}  // namespace platform
