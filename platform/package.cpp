// SPDX-License-Identifier: MIT
// The resource package: a plain ZIP archive read with libzip, opened once per path for the run,
// its button manifest parsed once, and the PNG decoder for the button images it holds (libpng's
// memory reader, any PNG to 8-bit RGBA). Every size a package states is bounded before anything
// is allocated for it, so a small hostile package cannot cost much time or memory.
#include <png.h>
#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <sstream>

#include "platform/internal.h"

namespace platform {

// The font (DejaVu Sans, about 700 KB) is the largest entry of ours.
constexpr zip_uint64_t MAX_ENTRY_BYTES = 16u << 20;
// A button image of MAX_BUTTON_SIDE x (MAX_BUTTON_STATES * MAX_BUTTON_SIDE) pixels is 128 KiB
// unpacked; a PNG of it is never larger than that by much.
constexpr zip_uint64_t MAX_IMAGE_ENTRY_BYTES = 256u << 10;
constexpr zip_uint64_t MAX_MANIFEST_BYTES = 64u << 10;
constexpr int MAX_MANIFEST_LINES = 256;
// Ours holds eight entries and a central directory of well under a kilobyte; an archive with far
// more is not ours, and libzip would spend seconds and megabytes indexing it.
constexpr unsigned MAX_PACKAGE_ENTRIES = 4096;
constexpr unsigned MAX_DIRECTORY_BYTES = 1u << 20;

namespace {

constexpr const char* MANIFEST_ENTRY = "manifest";

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};

// A manifest line "name push|toggle states"; `valid` is false when the kind or count is wrong.
struct ManifestLine {
    ButtonKind kind;
    bool valid = false;
};

// One package as opened: the archive, or why it could not be used; the manifest once read.
struct Package {
    std::unique_ptr<zip_t, ArchiveCloser> archive;
    std::string error;
    bool manifest_read = false;
    std::string manifest_error;
    std::map<std::string, ManifestLine> manifest;
};

std::map<std::string, Package> packages;

std::string ZipErrorText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

unsigned Little(const unsigned char* p, int bytes) {
    unsigned value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | p[i];
    return value;
}

// Reads the archive's end record (the last 22 bytes, or up to 64 KiB earlier behind a comment)
// and says why the archive is too large to index, or "" when it is not (or has no end record:
// libzip then gives the reason). A ZIP64 archive counts 0xFFFF entries here, more than enough.
std::string Oversized(const std::string& path) {
    constexpr long END_RECORD = 22, MAX_COMMENT = 0xFFFF;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return "";
    std::vector<unsigned char> tail;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        const long take = std::min(size, END_RECORD + MAX_COMMENT);
        tail.resize(take > 0 ? static_cast<std::size_t>(take) : 0);
        if (take <= 0 || std::fseek(file, size - take, SEEK_SET) != 0 ||
            std::fread(tail.data(), 1, tail.size(), file) != tail.size())
            tail.clear();
    }
    // Opened for reading only: a failed close loses nothing.
    (void)std::fclose(file);
    for (std::size_t at = tail.size() >= END_RECORD ? tail.size() - END_RECORD + 1 : 0; at-- > 0;) {
        const unsigned char* record = tail.data() + at;
        if (Little(record, 4) != 0x06054b50) continue;
        const unsigned entries = Little(record + 10, 2), directory = Little(record + 12, 4);
        if (entries > MAX_PACKAGE_ENTRIES)
            return "package has " + std::to_string(entries) +
                   (entries == 0xFFFF ? " or more" : "") + " entries, more than the " +
                   std::to_string(MAX_PACKAGE_ENTRIES) + " allowed";
        if (directory > MAX_DIRECTORY_BYTES)
            return "package directory is " + std::to_string(directory) + " bytes, more than the " +
                   std::to_string(MAX_DIRECTORY_BYTES) + " allowed";
        return "";
    }
    return "";
}

// The package at `path`, opened on first use; its `archive` is null when it is unusable.
Package& Open(const std::string& path) {
    if (auto found = packages.find(path); found != packages.end()) return found->second;
    Package& package = packages[path];
    package.error = Oversized(path);
    if (!package.error.empty()) return package;
    int code = 0;
    package.archive.reset(zip_open(path.c_str(), ZIP_RDONLY, &code));
    if (!package.archive) package.error = "cannot open package: " + ZipErrorText(code);
    return package;
}

// Why the entry that was read could not be read whole: libzip's reason when it has one (a CRC
// or decompression error), else the mismatch with the size its header gave.
std::string ReadFailure(zip_file_t* file, const std::string& name, bool short_read) {
    if (zip_error_code_zip(zip_file_get_error(file)) != ZIP_ER_OK) return zip_file_strerror(file);
    return "entry '" + name + "' holds " + (short_read ? "fewer" : "more") +
           " bytes than its header says";
}

// Reads the entry `index` of `archive`, of `size` bytes by its header, whole into `bytes`.
bool ReadEntry(zip_t* archive, zip_uint64_t index, zip_uint64_t size, const std::string& name,
               std::vector<std::uint8_t>& bytes, std::string& error) {
    zip_file_t* file = zip_fopen_index(archive, index, 0);
    if (!file) {
        error = zip_strerror(archive);
        return false;
    }
    bytes.resize(size);
    zip_uint64_t done = 0;
    zip_int64_t got = 1;
    while (done < size && got > 0) {
        got = zip_fread(file, bytes.data() + done, size - done);
        if (got > 0) done += static_cast<zip_uint64_t>(got);
    }
    // A read past the end also runs libzip's CRC check, which catches damaged data.
    std::uint8_t extra = 0;
    const bool whole = done == size;
    const bool ok = whole && zip_fread(file, &extra, 1) == 0;
    if (!ok) error = ReadFailure(file, name, !whole);
    zip_fclose(file);
    return ok;
}

bool ReadLimited(const char* package, const char* name, zip_uint64_t limit,
                 std::vector<std::uint8_t>& bytes, std::string& error) {
    bytes.clear();
    if (!package || !name) {
        error = "no package or entry name";
        return false;
    }
    Package& opened = Open(package);
    if (!opened.archive) {
        error = opened.error;
        return false;
    }
    zip_t* archive = opened.archive.get();
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(archive, name, 0, &stat) != 0) {
        error = "no entry '" + std::string(name) + "'";
        return false;
    }
    if (!(stat.valid & ZIP_STAT_SIZE)) {
        error = "entry '" + std::string(name) + "' has no recorded size";
        return false;
    }
    if (stat.size > limit) {
        error = "entry '" + std::string(name) + "' is " + std::to_string(stat.size) +
                " bytes, more than the " + std::to_string(limit) + " allowed";
        return false;
    }
    if (!ReadEntry(archive, stat.index, stat.size, name, bytes, error)) {
        bytes.clear();
        return false;
    }
    return true;
}

// Parses the manifest's lines into `package.manifest`; the first line naming an image counts.
// Lines that do not hold three fields are skipped.
bool ParseManifest(const std::string& text, Package& package) {
    std::istringstream lines(text);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        if (++count > MAX_MANIFEST_LINES) {
            package.manifest_error =
                "manifest has more than " + std::to_string(MAX_MANIFEST_LINES) + " lines";
            package.manifest.clear();
            return false;
        }
        std::istringstream fields(line);
        std::string entry, kind;
        int states = 0;
        if (!(fields >> entry >> kind >> states) || package.manifest.count(entry)) continue;
        ManifestLine& parsed = package.manifest[entry];
        parsed.valid =
            (kind == "push" || kind == "toggle") && states >= 1 && states <= MAX_BUTTON_STATES;
        parsed.kind.toggle = kind == "toggle";
        parsed.kind.states = states;
    }
    return true;
}

}  // namespace

bool ReadPackageEntry(const char* package, const char* name, std::vector<std::uint8_t>& bytes,
                      std::string& error) {
    return ReadLimited(package, name, MAX_ENTRY_BYTES, bytes, error);
}

bool LookUpButton(const char* package, const char* name, ButtonKind& kind, std::string& error) {
    if (!package || !name) {
        error = "no package or entry name";
        return false;
    }
    Package& opened = Open(package);
    if (!opened.manifest_read) {
        opened.manifest_read = true;
        std::vector<std::uint8_t> bytes;
        if (ReadLimited(package, MANIFEST_ENTRY, MAX_MANIFEST_BYTES, bytes, opened.manifest_error))
            ParseManifest(std::string(bytes.begin(), bytes.end()), opened);
    }
    if (!opened.manifest_error.empty()) {
        error = opened.manifest_error;
        return false;
    }
    const auto found = opened.manifest.find(name);
    if (found == opened.manifest.end() || !found->second.valid) {
        error = std::string("no valid manifest line for ").append(name);
        return false;
    }
    kind = found->second.kind;
    return true;
}

bool ReadButtonImage(const char* package, const char* name, Image& image, std::string& error) {
    std::vector<std::uint8_t> bytes;
    return ReadLimited(package, name, MAX_IMAGE_ENTRY_BYTES, bytes, error) &&
           DecodePng(bytes, image, error);
}

void ClosePackages() {
    packages.clear();
}

bool DecodePng(const std::vector<std::uint8_t>& bytes, Image& image, std::string& error) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) {
        error = std::string("not a PNG image: ") + png.message;
        return false;
    }
    constexpr png_uint_32 MAX_W = MAX_BUTTON_SIDE, MAX_H = MAX_BUTTON_SIDE * MAX_BUTTON_STATES;
    if (png.width == 0 || png.height == 0 || png.width > MAX_W || png.height > MAX_H) {
        error = "PNG image of " + std::to_string(png.width) + " x " + std::to_string(png.height) +
                " pixels; a button image is at most " + std::to_string(MAX_W) + " x " +
                std::to_string(MAX_H);
        png_image_free(&png);
        return false;
    }
    png.format = PNG_FORMAT_RGBA;
    image.w = static_cast<int>(png.width);
    image.h = static_cast<int>(png.height);
    image.rgba.assign(PNG_IMAGE_SIZE(png), 0);
    if (!png_image_finish_read(&png, nullptr, image.rgba.data(), 0, nullptr)) {
        error = std::string("damaged PNG image: ") + png.message;
        png_image_free(&png);
        image = Image{};
        return false;
    }
    return true;
}

}  // namespace platform
