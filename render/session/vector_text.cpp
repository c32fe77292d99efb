// SPDX-License-Identifier: MIT
// The SVG reader scans the head of the file up to the end of its metadata; the PDF reader goes
// from startxref at the end to the cross-reference table, the trailer's /Info entry, and that
// object's dictionary. Every length read is bounded by the file, so a broken or foreign file costs
// one line.
#include "render/session/vector_text.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <string_view>

namespace {

// Far beyond the metadata this program writes (a journal longer than 32 MiB is left out).
constexpr std::size_t MAX_METADATA = 256u << 20;
constexpr std::size_t TAIL = 1024;
constexpr std::size_t SVG_HEAD = 1u << 20;

std::string XmlUnescaped(std::string_view text) {
    static constexpr std::pair<std::string_view, char> ENTITIES[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool replaced = false;
        for (const auto& [entity, ch] : ENTITIES) {
            if (text.substr(i, entity.size()) != entity) continue;
            out += ch;
            i += entity.size() - 1;
            replaced = true;
            break;
        }
        if (!replaced) out += text[i];
    }
    return out;
}

// The bytes of `path` from `offset`, at most `size` of them.
bool ReadAt(std::ifstream& in, std::streamoff offset, std::size_t size, std::string& out) {
    in.clear();
    in.seekg(offset);
    out.assign(size, '\0');
    in.read(out.data(), static_cast<std::streamsize>(size));
    out.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return !out.empty();
}

template <class T>
bool NumberAfter(std::string_view text, std::string_view key, T& out) {
    const auto at = text.rfind(key);
    if (at == std::string_view::npos) return false;
    std::size_t i = at + key.size();
    while (i < text.size() && std::strchr(" \r\n", text[i])) ++i;
    return std::from_chars(text.data() + i, text.data() + text.size(), out).ec == std::errc{};
}

// A PDF literal string from text[i] (its opening bracket) on; i ends after its closing bracket.
std::string PdfString(std::string_view text, std::size_t& i) {
    std::string out;
    int depth = 0;
    for (; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '\\' && i + 1 < text.size()) {
            const char e = text[++i];
            int octal = 0, digits = 0;
            while (digits < 3 && i < text.size() && text[i] >= '0' && text[i] <= '7') {
                octal = octal * 8 + (text[i++] - '0');
                ++digits;
            }
            if (digits > 0) {
                out += static_cast<char>(octal);
                --i;
            } else {
                out += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
            }
        } else if (ch == '(' && depth++ == 0) {
            continue;
        } else if (ch == ')' && --depth == 0) {
            ++i;
            break;
        } else {
            out += ch;
        }
    }
    return out;
}

// A PDF name from text[i] (its slash) on, #HH decoded.
std::string PdfName(std::string_view text, std::size_t& i) {
    std::string out;
    for (++i; i < text.size() && !std::strchr(" \r\n/()<>[]", text[i]); ++i) {
        unsigned value = 0;
        if (text[i] == '#' && i + 2 < text.size() &&
            std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16).ptr ==
                text.data() + i + 3) {
            out += static_cast<char>(value);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The /Name (string) pairs of a dictionary.
void ReadInfo(std::string_view dictionary, std::map<std::string, std::string>& text) {
    std::size_t i = 0;
    while ((i = dictionary.find('/', i)) != std::string_view::npos) {
        std::string name = PdfName(dictionary, i);
        while (i < dictionary.size() && std::strchr(" \r\n", dictionary[i])) ++i;
        if (i >= dictionary.size() || dictionary[i] != '(') continue;
        std::string value = PdfString(dictionary, i);
        if (name == "Creator") name = "Software";
        if (name != "Producer" && name != "Title") text[name] = std::move(value);
    }
}

}  // namespace

bool ReadSvgText(const std::string& path, std::map<std::string, std::string>& text,
                 std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::strerror(errno);
        return false;
    }
    // Our metadata follows the svg element; a file with none in its first MiB has none.
    std::string head;
    char block[1 << 16];
    while (head.size() < MAX_METADATA && head.find("</metadata>") == std::string::npos &&
           (head.size() < SVG_HEAD || head.find("<metadata") != std::string::npos) &&
           in.read(block, sizeof block).gcount() > 0)
        head.append(block, static_cast<std::size_t>(in.gcount()));
    constexpr std::string_view OPEN = "<morvane:chunk keyword=\"", CLOSE = "</morvane:chunk>";
    for (std::size_t at = head.find(OPEN); at != std::string::npos; at = head.find(OPEN, at)) {
        const std::size_t key = at + OPEN.size();
        const std::size_t quote = head.find("\">", key);
        const std::size_t end = head.find(CLOSE, key);
        if (quote == std::string::npos || end == std::string::npos || end < quote) break;
        text[XmlUnescaped(std::string_view(head).substr(key, quote - key))] =
            XmlUnescaped(std::string_view(head).substr(quote + 2, end - quote - 2));
        at = end;
    }
    return true;
}

bool ReadPdfText(const std::string& path, std::map<std::string, std::string>& text,
                 std::string& error) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        error = std::strerror(errno);
        return false;
    }
    const std::streamoff size = in.tellg();
    std::string tail, xref, object;
    long long table = 0, info = 0, count = 0;
    error = "a PDF morvane-render did not write: no document information to read";
    if (!ReadAt(in, std::max<std::streamoff>(0, size - TAIL), TAIL, tail) ||
        !NumberAfter(tail, "startxref", table) || table < 0 || table >= size ||
        !ReadAt(in, table, TAIL, xref) || xref.rfind("xref", 0) != 0)
        return false;
    // The table's first section starts at object 0 ("0 COUNT"); entry K is the 20 bytes K
    // entries in.
    const std::size_t first = xref.find('\n') + 1, second = xref.find('\n', first);
    const char* text_end = xref.data() + (second == std::string::npos ? xref.size() : second);
    const auto start = std::from_chars(xref.data() + first, text_end, count);
    if (second == std::string::npos || start.ec != std::errc{} || xref[first] != '0' ||
        std::from_chars(start.ptr + 1, text_end, count).ec != std::errc{} || count <= 0 ||
        count > size / 20)
        return false;
    const std::streamoff entries = table + static_cast<std::streamoff>(second + 1);
    std::string trailer;
    if (!ReadAt(in, entries + 20 * count, TAIL, trailer) || !NumberAfter(trailer, "/Info", info) ||
        info <= 0 || info >= count || !ReadAt(in, entries + 20 * info, 20, xref))
        return false;
    long long offset = -1;
    std::from_chars(xref.data(), xref.data() + xref.size(), offset);
    if (offset <= 0 || offset >= size ||
        !ReadAt(in, offset,
                static_cast<std::size_t>(std::min<std::streamoff>(size - offset, MAX_METADATA)),
                object))
        return false;
    const std::size_t end = object.find("endobj");
    if (object.find(std::to_string(info) + " 0 obj") != 0 || end == std::string::npos) return false;
    ReadInfo(std::string_view(object).substr(0, end), text);
    error.clear();
    return true;
}
