// SPDX-License-Identifier: MIT
// Chooses the resource package: the working folder's, the one beside the program, or the
// installed one; start-up calls LocatePackage once and logs its note.
#include "app/package_path.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "morvane/install_paths.h"

namespace {

constexpr const char* LOCAL_PACKAGE = "Data/gfx.dpf";

// A folder of that name opens for reading but is no package, hence the regular-file test.
bool IsReadableFile(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error) &&
           access(path.c_str(), R_OK) == 0;
}

// Data/gfx.dpf in the folder of the running program (a build folder holds one), or "" when
// the program's own path cannot be read.
std::string BesideProgram() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || exe.empty()) return "";
    return (exe.parent_path() / LOCAL_PACKAGE).string();
}

}  // namespace

PackageLocation LocatePackage(const std::string& local, const std::string& beside,
                              const std::string& installed) {
    const struct {
        const std::string& path;
        const char* where;
    } candidates[] = {
        {local, "working folder"}, {beside, "beside the program"}, {installed, "installed"}};
    std::string tried;
    for (const auto& c : candidates) {
        if (IsReadableFile(c.path))
            return {c.path, "resource package: " + c.path + " (" + c.where + ")"};
        if (c.path.empty()) continue;
        tried += (tried.empty() ? "" : ", ") + c.path;
    }
    return {installed, "resource package: none readable (looked for " + tried + ")"};
}

PackageLocation LocatePackage() {
    return LocatePackage(LOCAL_PACKAGE, BesideProgram(), MORVANE_INSTALLED_PACKAGE);
}

std::string PackagePath() {
    return LocatePackage().path;
}
