// SPDX-License-Identifier: MIT
// Writing and reading the journal lines of morvane.log. Format and ParseLogLine mirror each other;
// the parser is strict so that a line the program could not have written (forged, cut, edited)
// is refused rather than obeyed.
#include "engine/journal.h"

#include <charconv>
#include <cstdio>
#include <variant>

#include "engine/frame.h"
#include "engine/settings.h"

namespace journal {

namespace {

constexpr std::string_view PREFIX = "journal ";
// "YYYY-MM-DD HH:MM:SS " before the text of every log line.
constexpr std::size_t STAMP = 20;
constexpr const char* FLAG_NAMES[] = {"pause", "fill", "white"};

bool NeedsEscape(unsigned char c) {
    return c == '"' || c == '%' || c == '\\' || c < 0x20 || c >= 0x7F;
}

std::string Quote(std::string_view text) {
    static constexpr char HEX[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (NeedsEscape(c)) {
            out += '%';
            out += HEX[c >> 4];
            out += HEX[c & 15];
        } else {
            out += ch;
        }
    }
    return out + '"';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads the words of a line one at a time; any deviation from the written form fails it.
class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    // Each reading consumes its words only when it succeeds, so that a caller who then tries
    // another reading starts from the same place.
    bool Word(std::string_view expected) {
        return Commit([&] {
            if (text_.substr(0, expected.size()) != expected) return false;
            text_.remove_prefix(expected.size());
            return Separator();
        });
    }
    // A bare word: up to the next blank.
    bool Token(std::string_view& out) {
        return Commit([&] {
            const std::size_t end = std::min(text_.find(' '), text_.size());
            if (end == 0) return false;
            out = text_.substr(0, end);
            text_.remove_prefix(end);
            return Separator();
        });
    }
    bool Quoted(std::string& out) {
        return Commit([&] { return ReadQuoted(out); });
    }
    template <class T>
    bool Number(T& out) {
        std::string_view token;
        return Token(token) && Digits(token, out);
    }
    bool AtEnd() const { return text_.empty() && !trailing_blank_; }

    // Decimal digits without sign or leading zeros, in range of T, and nothing else.
    template <class T>
    static bool Digits(std::string_view token, T& out) {
        if (token.empty() || (token.size() > 1 && token[0] == '0') || token[0] == '-') return false;
        const auto r = std::from_chars(token.data(), token.data() + token.size(), out);
        return r.ec == std::errc{} && r.ptr == token.data() + token.size();
    }

private:
    // Runs `read`; when it fails, the reader is put back where it was.
    template <class Read>
    bool Commit(Read read) {
        const Reader before = *this;
        if (read()) return true;
        *this = before;
        return false;
    }
    bool ReadQuoted(std::string& out) {
        if (text_.empty() || text_[0] != '"') return false;
        out.clear();
        std::size_t i = 1;
        for (; i < text_.size() && text_[i] != '"'; ++i) {
            const auto c = static_cast<unsigned char>(text_[i]);
            if (c == '%') {
                if (i + 2 >= text_.size()) return false;
                const int hi = HexDigit(text_[i + 1]), lo = HexDigit(text_[i + 2]);
                if (hi < 0 || lo < 0 || !NeedsEscape(static_cast<unsigned char>(hi * 16 + lo)))
                    return false;
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
            } else if (NeedsEscape(c)) {
                return false;
            } else {
                out += text_[i];
            }
        }
        if (i >= text_.size()) return false;
        text_.remove_prefix(i + 1);
        return Separator();
    }
    // One blank between words; none after the last.
    bool Separator() {
        trailing_blank_ = false;
        if (text_.empty()) return true;
        if (text_[0] != ' ') return false;
        text_.remove_prefix(1);
        trailing_blank_ = text_.empty();
        return true;
    }
    std::string_view text_;
    bool trailing_blank_ = false;
};

bool StampIsValid(std::string_view line) {
    static constexpr std::string_view SHAPE = "dddd-dd-dd dd:dd:dd ";
    if (line.size() < STAMP) return false;
    for (std::size_t i = 0; i < STAMP; ++i) {
        const char c = line[i];
        if (SHAPE[i] == 'd' ? (c < '0' || c > '9') : c != SHAPE[i]) return false;
    }
    return true;
}

bool ParseSize(std::string_view token, int& width, int& height) {
    const std::size_t x = token.find('x');
    return x != std::string_view::npos && Reader::Digits(token.substr(0, x), width) &&
           Reader::Digits(token.substr(x + 1), height);
}

bool ParseStart(Reader& r, Entry& e) {
    std::string_view seed, size;
    return r.Token(seed) && seed.substr(0, 5) == "seed=" &&
           Reader::Digits(seed.substr(5), e.seed) && r.Token(size) &&
           size.substr(0, 5) == "size=" && ParseSize(size.substr(5), e.width, e.height);
}

// The rest of a set line: the quoted key, then the value quoted or as a bare token.
bool ParseSet(Reader& r, Entry& e) {
    if (!r.Quoted(e.name)) return false;
    e.quoted = r.Quoted(e.value);
    if (e.quoted) return true;
    std::string_view value;
    if (!r.Token(value)) return false;
    for (const char c : value)
        if (NeedsEscape(static_cast<unsigned char>(c))) return false;
    e.value = value;
    return true;
}

// The rest of a flag line: one of the three flags and 0 or 1.
bool ParseFlag(Reader& r, Entry& e) {
    std::string_view name, on;
    if (!r.Token(name) || !r.Token(on) || (on != "0" && on != "1")) return false;
    e.name = name;
    e.on = on == "1";
    for (const char* known : FLAG_NAMES)
        if (name == known) return true;
    return false;
}

bool ParseEvent(Reader& r, Entry& e) {
    std::string_view word;
    if (!r.Token(word)) return false;
    if (word == "set") {
        e.kind = Kind::Set;
        return ParseSet(r, e);
    }
    if (word == "flag") {
        e.kind = Kind::Flag;
        return ParseFlag(r, e);
    }
    if (word == "save") {
        e.kind = Kind::Save;
        std::string_view outcome;
        if (!r.Token(outcome) || (outcome != "ok" && outcome != "failed")) return false;
        e.on = outcome == "ok";
        return r.Quoted(e.value);
    }
    if (word == "cut" || word == "lost") {
        e.kind = word == "cut" ? Kind::Cut : Kind::Lost;
        return r.Number(e.attempts) && (e.kind == Kind::Cut || e.attempts > 0);
    }
    if (word == "continued") {
        e.kind = Kind::Continued;
        return r.Quoted(e.value);
    }
    if (word == "back") {
        e.kind = Kind::Back;
        return r.Number(e.target) && e.target < e.frame;
    }
    e.kind = word == "restart" ? Kind::Restart : Kind::End;
    return word == "restart" || word == "end";
}

}  // namespace

std::string ExactFloat(float value) {
    char buffer[48];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

Entry SettingEntry(const SettingRow& row, std::uint64_t frame) {
    Entry e;
    e.kind = Kind::Set;
    e.frame = frame;
    e.name = row.key;
    struct Text {
        Entry& e;
        void operator()(const int* v) const { e.value = std::to_string(*v); }
        void operator()(const float* v) const { e.value = ExactFloat(*v); }
        void operator()(const bool* v) const { e.value = *v ? "true" : "false"; }
        void operator()(const std::string* v) const {
            e.value = *v;
            e.quoted = true;
        }
    };
    std::visit(Text{e}, row.target);
    return e;
}

bool ApplySetting(const SettingRow& row, const Entry& e) {
    const std::string& t = e.value;
    const char* const first = t.data();
    const char* const last = t.data() + t.size();
    if (std::string* const* s = std::get_if<std::string*>(&row.target)) {
        if (!e.quoted) return false;
        **s = t;
        return true;
    }
    if (e.quoted) return false;
    if (bool* const* b = std::get_if<bool*>(&row.target)) {
        if (t != "true" && t != "false") return false;
        **b = t == "true";
        return true;
    }
    if (int* const* i = std::get_if<int*>(&row.target)) {
        int v = 0;
        const auto r = std::from_chars(first, last, v);
        if (r.ec != std::errc{} || r.ptr != last || std::to_string(v) != t) return false;
        **i = v;
        return true;
    }
    float v = 0;
    const auto r = std::from_chars(first, last, v);
    if (r.ec != std::errc{} || r.ptr != last || ExactFloat(v) != t) return false;
    *std::get<float*>(row.target) = v;
    return true;
}

const SettingRow* FindSetting(std::string_view key) {
    for (const SettingRow& row : settings_table)
        if (key == row.key) return &row;
    return nullptr;
}

bool ApplyEvent(const Entry& e) {
    switch (e.kind) {
        case Kind::Set: {
            const SettingRow* row = FindSetting(e.name);
            return row && ApplySetting(*row, e);
        }
        case Kind::Flag: {
            void (*set)(bool) = e.name == "pause"  ? SetPaused
                                : e.name == "fill" ? SetFill
                                                   : SetWhite;
            set(e.on);
            return true;
        }
        case Kind::Restart:
            RequestRestart();
            return true;
        default:
            return true;
    }
}

bool ApplyBack(CanvasPast& past, const Entry& e) {
    const auto mark = past.Find(e.target);
    if (!mark) return false;
    past.Restore(*mark);
    return true;
}

std::string Format(const Entry& e) {
    std::string text(PREFIX);
    if (e.kind == Kind::Start) {
        return text + "start seed=" + std::to_string(e.seed) + " size=" + std::to_string(e.width) +
               "x" + std::to_string(e.height);
    }
    text += '@';
    text += std::to_string(e.frame);
    text += ' ';
    switch (e.kind) {
        case Kind::Set:
            return text + "set " + Quote(e.name) + " " + (e.quoted ? Quote(e.value) : e.value);
        case Kind::Flag:
            return text + "flag " + e.name + (e.on ? " 1" : " 0");
        case Kind::Restart:
            return text + "restart";
        case Kind::Save:
            return text + "save " + (e.on ? "ok " : "failed ") + Quote(e.value);
        case Kind::Cut:
            return text + "cut " + std::to_string(e.attempts);
        case Kind::Lost:
            return text + "lost " + std::to_string(e.attempts);
        case Kind::End:
            return text + "end";
        case Kind::Back:
            return text + "back " + std::to_string(e.target);
        case Kind::Continued:
            return text + "continued " + Quote(e.value);
        case Kind::Start:
            break;
    }
    return text;
}

bool LooksLikeJournal(std::string_view line) {
    if (line.size() >= STAMP && line.substr(STAMP, PREFIX.size() - 1) == PREFIX.substr(0, 7))
        return true;
    // A line that lost its line feed (a write cut short) has the next one glued to it.
    for (std::size_t at = line.find("journal", STAMP); at != std::string_view::npos;
         at = line.find("journal", at + 1))
        if (StampIsValid(line.substr(at - STAMP))) return true;
    return false;
}

std::optional<Entry> ParseLogLine(std::string_view line) {
    if (!StampIsValid(line) || line.substr(STAMP, PREFIX.size()) != PREFIX) return std::nullopt;
    Reader r(line.substr(STAMP + PREFIX.size()));
    Entry e;
    bool ok = false;
    if (r.Word("start")) {
        ok = ParseStart(r, e);
    } else {
        std::string_view at;
        ok = r.Token(at) && at[0] == '@' && Reader::Digits(at.substr(1), e.frame) &&
             ParseEvent(r, e);
    }
    if (!ok || !r.AtEnd()) return std::nullopt;
    return e;
}

}  // namespace journal
