// SPDX-License-Identifier: MIT
// Where the resource package is read from: the working folder's Data/gfx.dpf first, so a user's
// own package wins, then Data/gfx.dpf beside the program (a build folder, a program started from
// elsewhere), then the copy installed with the program.
#pragma once

#include <string>

struct PackageLocation {
    std::string path;  // the package to open; the installed path when neither is readable
    std::string note;  // one line for the log saying which package is used
};

// Chooses the first of `local`, `beside` and `installed` that is a readable regular file; an
// empty path is skipped.
PackageLocation LocatePackage(const std::string& local, const std::string& beside,
                              const std::string& installed);

// LocatePackage for Data/gfx.dpf in the working folder, beside the running program (found
// through /proc/self/exe) and under the configured data folder.
PackageLocation LocatePackage();

// The path of LocatePackage(), for callers that log nothing.
std::string PackagePath();
