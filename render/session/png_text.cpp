// SPDX-License-Identifier: MIT
// A small chunk walker: the signature, then length, type, data and CRC for each chunk up to the
// first IDAT. The data of a text chunk (tEXt, zTXt, iTXt) is read only when its length is sane,
// and a compressed text is inflated only up to the same bound; the rest is skipped.
#include "render/session/png_text.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string_view>
#include <vector>

#include "config/bounded_read.h"
#include "render/session/vector_text.h"

namespace {

constexpr char SIGNATURE[] = "\x89PNG\r\n\x1a\n";
// Far beyond any chunk this program writes (a journal longer than this is left out of the PNG).
constexpr std::uint32_t MAX_TEXT_BYTES = 64u << 20;

std::uint32_t BigEndian(const unsigned char* b) {
    return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

// Inflates a zlib stream into `out`; false when it is broken or inflates beyond MAX_TEXT_BYTES.
bool Inflate(std::string_view data, std::string& out) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    out.clear();
    int rc = Z_OK;
    char buffer[1 << 16];
    while (rc == Z_OK && out.size() <= MAX_TEXT_BYTES) {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        rc = inflate(&z, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - z.avail_out);
        if (rc == Z_BUF_ERROR && z.avail_in == 0) break;
    }
    inflateEnd(&z);
    return rc == Z_STREAM_END && out.size() <= MAX_TEXT_BYTES;
}

// The keyword and text of a tEXt, zTXt or iTXt chunk's data; false when it is malformed.
bool TextOf(const std::string& type, const std::string& data, std::string& key, std::string& text) {
    const auto zero = data.find('\0');
    if (zero == std::string::npos) return false;
    key = data.substr(0, zero);
    std::string_view rest = std::string_view(data).substr(zero + 1);
    if (type == "tEXt") {
        text = rest;
        return true;
    }
    if (type == "zTXt") return !rest.empty() && rest[0] == 0 && Inflate(rest.substr(1), text);
    // iTXt: compression flag and method, then a language tag and a translated keyword.
    if (rest.size() < 2 || rest[1] != 0) return false;
    const bool compressed = rest[0] == 1;
    rest.remove_prefix(2);
    for (int field = 0; field < 2; ++field) {
        const auto end = rest.find('\0');
        if (end == std::string_view::npos) return false;
        rest.remove_prefix(end + 1);
    }
    if (!compressed) text = rest;
    return !compressed || Inflate(rest, text);
}

}  // namespace

bool PngInputOk(const std::string& path, std::string& error) {
    const int fd = OpenBoundedInput(path, MAX_PNG_BYTES, error);
    if (fd >= 0) close(fd);
    return fd >= 0;
}

bool ReadTextChunks(const std::string& path, std::map<std::string, std::string>& text,
                    std::string& error) {
    if (!PngInputOk(path, error)) return false;
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        error = std::strerror(errno);
        return false;
    }
    // A chunk is read only when the file holds it: a header's claim allocates nothing.
    const std::streamoff size = in.tellg();
    in.seekg(0);
    char signature[8] = {};
    in.read(signature, 8);
    // Our SVG and PDF pages carry the same pairs.
    const std::string_view start(signature, static_cast<std::size_t>(in.gcount()));
    if (start.rfind("%PDF", 0) == 0) return ReadPdfText(path, text, error);
    if (start.rfind("<?xml", 0) == 0 || start.rfind("<svg", 0) == 0)
        return ReadSvgText(path, text, error);
    if (start != std::string_view(SIGNATURE, 8)) {
        error = "not a PNG, SVG or PDF file";
        return false;
    }
    unsigned char head[8];
    while (in.read(reinterpret_cast<char*>(head), 8)) {
        const std::uint32_t length = BigEndian(head);
        const std::string type(reinterpret_cast<const char*>(head + 4), 4);
        if (type == "IDAT" || type == "IEND") return true;
        const bool held = static_cast<std::streamoff>(length) <= size - in.tellg();
        if ((type == "tEXt" || type == "zTXt" || type == "iTXt") && length <= MAX_TEXT_BYTES &&
            held) {
            std::string data(length, '\0');
            if (!in.read(data.data(), length)) break;
            std::string key, value;
            if (TextOf(type, data, key, value)) text[key] = std::move(value);
            in.seekg(4, std::ios::cur);
        } else {
            in.seekg(static_cast<std::streamoff>(length) + 4, std::ios::cur);
        }
    }
    error = "the PNG file is cut short";
    return false;
}

bool PngIsWhole(const std::string& path) {
    std::string error;
    if (!PngInputOk(path, error)) return false;
    std::ifstream in(path, std::ios::binary);
    char signature[8];
    if (!in.read(signature, 8) || std::memcmp(signature, SIGNATURE, 8) != 0) return false;
    std::vector<char> buffer(1 << 16);
    unsigned char head[8], tail[4];
    while (in.read(reinterpret_cast<char*>(head), 8)) {
        std::uint32_t left = BigEndian(head);
        uLong crc = crc32(0, head + 4, 4);
        while (left > 0) {
            const auto n = static_cast<std::streamsize>(std::min<std::uint32_t>(left, 1 << 16));
            if (!in.read(buffer.data(), n)) return false;
            crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.data()), static_cast<uInt>(n));
            left -= static_cast<std::uint32_t>(n);
        }
        if (!in.read(reinterpret_cast<char*>(tail), 4) || BigEndian(tail) != crc) return false;
        if (std::memcmp(head + 4, "IEND", 4) == 0)
            return in.peek() == std::char_traits<char>::eof();
    }
    return false;
}
