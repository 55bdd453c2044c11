#pragma once

// FILEs whose copies would land on the same destination file.

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The file-name part of Path, as the batch run takes it: everything after
// the last path delimiter of the platform.
std::string FileNamePart(const std::string& Path);

// The indices of the first two of Files (in the order of the second) whose
// file-name parts are the same name to the platform (compared as folder
// names are: without regard to letter case where the platform ignores it),
// or nothing when every copy gets a name of its own.
std::optional<std::pair<std::size_t, std::size_t>> FindNameClash(
    const std::vector<std::string>& Files);
