// A small chunk walker: the signature, then length, type, data and CRC for each chunk up to the
// first IDAT. The data of a tEXt chunk is read only when its length is sane; the rest is skipped.
#include "render/png_text.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>

namespace {

constexpr char SIGNATURE[] = "\x89PNG\r\n\x1a\n";
// Far beyond any chunk this program writes (a journal of a long session is some megabytes).
constexpr std::uint32_t MAX_TEXT_BYTES = 64u << 20;

std::uint32_t BigEndian(const unsigned char* b) {
    return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

}  // namespace

bool ReadTextChunks(const std::string& path, std::map<std::string, std::string>& text,
                    std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::strerror(errno);
        return false;
    }
    char signature[8];
    if (!in.read(signature, 8) || std::memcmp(signature, SIGNATURE, 8) != 0) {
        error = "not a PNG file";
        return false;
    }
    unsigned char head[8];
    while (in.read(reinterpret_cast<char*>(head), 8)) {
        const std::uint32_t length = BigEndian(head);
        const std::string type(reinterpret_cast<const char*>(head + 4), 4);
        if (type == "IDAT" || type == "IEND") return true;
        if (type == "tEXt" && length <= MAX_TEXT_BYTES) {
            std::string data(length, '\0');
            if (!in.read(data.data(), length)) break;
            const auto zero = data.find('\0');
            if (zero != std::string::npos) text[data.substr(0, zero)] = data.substr(zero + 1);
            in.seekg(4, std::ios::cur);
        } else {
            in.seekg(static_cast<std::streamoff>(length) + 4, std::ios::cur);
        }
    }
    error = "the PNG file is cut short";
    return false;
}
