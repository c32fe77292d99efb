// Where the resource package is read from: the working folder's Data/gfx.dpf first, so a build
// folder and a user's own package win, then the copy installed with the program.
#pragma once

#include <string>

struct PackageLocation {
    std::string path;  // the package to open; the installed path when neither is readable
    std::string note;  // one line for the log saying which package is used
};

// Chooses `local` when it is a readable regular file, else `installed`.
PackageLocation LocatePackage(const std::string& local, const std::string& installed);

// LocatePackage for Data/gfx.dpf and the package installed under the configured data folder.
PackageLocation LocatePackage();

// The path of LocatePackage(), for callers that log nothing.
std::string PackagePath();
