// The resource package: a plain ZIP archive read with libzip, one whole entry at a time, and the
// PNG decoder for the button images it holds (libpng's memory reader, any PNG to 8-bit RGBA).
#include <png.h>
#include <zip.h>

#include "platform/internal.h"

namespace platform {

// No entry of ours comes near this; a larger size is a damaged or foreign archive, and refusing it
// keeps a bad header from asking for gigabytes.
constexpr zip_uint64_t MAX_ENTRY_BYTES = 64u << 20;
// Button images are small; this bounds the decoded buffer of a hostile PNG header.
constexpr png_uint_32 MAX_IMAGE_SIDE = 4096;

namespace {

std::string ZipErrorText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

// Reads the opened entry `index` of `archive` whole into `bytes`.
bool ReadEntry(zip_t* archive, zip_uint64_t index, zip_uint64_t size,
               std::vector<std::uint8_t>& bytes, std::string& error) {
    zip_file_t* file = zip_fopen_index(archive, index, 0);
    if (!file) {
        error = zip_strerror(archive);
        return false;
    }
    bytes.resize(size);
    zip_uint64_t done = 0;
    while (done < size) {
        const zip_int64_t got = zip_fread(file, bytes.data() + done, size - done);
        if (got <= 0) break;
        done += static_cast<zip_uint64_t>(got);
    }
    // A read past the end also runs libzip's CRC check, which catches damaged data.
    std::uint8_t extra = 0;
    const bool ok = done == size && zip_fread(file, &extra, 1) == 0;
    if (!ok) error = zip_file_strerror(file);
    zip_fclose(file);
    return ok;
}

}  // namespace

bool ReadPackageEntry(const char* package, const char* name, std::vector<std::uint8_t>& bytes,
                      std::string& error) {
    bytes.clear();
    if (!package || !name) {
        error = "no package or entry name";
        return false;
    }
    int code = 0;
    zip_t* archive = zip_open(package, ZIP_RDONLY, &code);
    if (!archive) {
        error = "cannot open package: " + ZipErrorText(code);
        return false;
    }
    zip_stat_t stat;
    zip_stat_init(&stat);
    bool ok = false;
    if (zip_stat(archive, name, 0, &stat) != 0) {
        error = "no entry '" + std::string(name) + "'";
    } else if (!(stat.valid & ZIP_STAT_SIZE) || stat.size > MAX_ENTRY_BYTES) {
        error = "entry '" + std::string(name) + "' has no usable size";
    } else {
        ok = ReadEntry(archive, stat.index, stat.size, bytes, error);
    }
    zip_discard(archive);
    if (!ok) bytes.clear();
    return ok;
}

bool DecodePng(const std::vector<std::uint8_t>& bytes, Image& image, std::string& error) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) {
        error = std::string("not a PNG image: ") + png.message;
        return false;
    }
    if (png.width == 0 || png.height == 0 || png.width > MAX_IMAGE_SIDE ||
        png.height > MAX_IMAGE_SIDE) {
        png_image_free(&png);
        error = "PNG image of unusable size";
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
