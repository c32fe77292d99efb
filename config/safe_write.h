// Saving a file so that a failure never loses the previous one: the content goes to a temporary
// file beside the target, which replaces the target only once it is complete and on disk.
#pragma once

#include <functional>
#include <ostream>
#include <string>

// Writes `path` through `write`. Returns false and sets `reason` when the target exists but is
// not writable, the folder is missing or unwritable, the path is a folder, `write` throws, or any
// write, flush or rename fails; the previous file is then unchanged and no temporary is left.
bool WriteFileSafely(const std::string& path, const std::function<void(std::ostream&)>& write,
                     std::string& reason);
