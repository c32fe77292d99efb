// Chooses between the resource package in the working folder and the installed one; start-up
// calls LocatePackage once and logs its note.
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
    return std::filesystem::is_regular_file(path, error) && access(path.c_str(), R_OK) == 0;
}

}  // namespace

PackageLocation LocatePackage(const std::string& local, const std::string& installed) {
    if (IsReadableFile(local)) {
        return {local, "resource package: " + local + " (working folder)"};
    }
    if (IsReadableFile(installed)) {
        return {installed, "resource package: " + installed + " (installed)"};
    }
    return {installed,
            "resource package: none readable (looked for " + local + " and " + installed + ")"};
}

PackageLocation LocatePackage() {
    return LocatePackage(LOCAL_PACKAGE, MORVANE_INSTALLED_PACKAGE);
}

std::string PackagePath() {
    return LocatePackage().path;
}
