// SPDX-License-Identifier: MIT
// Writing a picture's web page: the template web/page.html with the web engine's script (its
// WebAssembly inside), the player web/page.js and the picture's data filled in. Every value from
// the user (the file name) is escaped where it is written; the journal goes in as base64, so
// nothing it holds can end a script. Start at PageText.
#include "render/out/page.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <variant>

#include "engine/journal.h"
#include "engine/settings.h"
#include "render/batch/gallery_page.h"

// The page's parts, put into the program when it is built (web/CMakeLists.txt): each file's
// bytes and a zero after them under `name`. The name declares a symbol, so it cannot be in
// parentheses.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define MORVANE_EMBED(name, path)                                                          \
    asm(".pushsection .rodata\n.global " #name "\n.balign 16\n" #name ":\n.incbin \"" path \
        "\"\n.byte 0\n.popsection\n");                                                     \
    extern "C" const char name[];
// NOLINTEND(bugprone-macro-parentheses)
#ifdef MORVANE_WEB_ENGINE
MORVANE_EMBED(morvane_page_engine, MORVANE_WEB_ENGINE)
MORVANE_EMBED(morvane_page_template, MORVANE_WEB_TEMPLATE)
MORVANE_EMBED(morvane_page_script, MORVANE_WEB_SCRIPT)
#endif

namespace {

struct PageParts {
    const char* engine;  // the web engine's script, its WebAssembly inside
    const char* page;    // the template
    const char* script;  // the player
};

// The parts this program was built with; null when it was built without the web engine.
const PageParts* BuiltParts() {
#ifdef MORVANE_WEB_ENGINE
    static const PageParts parts{morvane_page_engine, morvane_page_template, morvane_page_script};
    return &parts;
#else
    return nullptr;
#endif
}

// The time stamp of the journal lines a page holds, as a PNG's morvane:journal chunk has them.
constexpr const char* STAMP = "0000-00-00 00:00:00 ";

std::string Base64(const std::string& bytes) {
    static constexpr char DIGITS[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t v = 0;
        for (std::size_t k = 0; k < 3; ++k)
            v = v << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k) out += k <= n ? DIGITS[(v >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

// A JSON string that is also safe inside a script element: quotes, backslashes, control bytes
// and < > & as \u escapes.
std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == '"' || c == '\\' || c == '<' || c == '>' || c == '&') {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

std::string Line(const journal::Entry& e) {
    return STAMP + journal::Format(e) + "\n";
}

// The text of a chunk, empty when the picture has none.
std::string Get(const Chunks& chunks, const char* keyword) {
    const auto found = chunks.find(keyword);
    return found == chunks.end() ? std::string() : found->second;
}

// A whole number that is all of `text`.
template <class T>
bool Whole(const std::string& text, T& out) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), out);
    return !text.empty() && r.ec == std::errc{} && r.ptr == text.data() + text.size();
}

// The journal of a render: its seed and canvas, every setting of its morvane:settings chunk
// ("key = value" lines, exact) at frame 0, and white sprouts from the first frame when it was
// on. Empty when the chunks hold no such recipe.
std::string RenderJournal(const Chunks& chunk) {
    journal::Entry start;
    const std::string lines = Get(chunk, "morvane:settings");
    if (!Whole(Get(chunk, "morvane:seed"), start.seed) || lines.empty()) return "";
    std::string sets;
    for (std::size_t at = 0, end; at < lines.size(); at = end + 1) {
        end = std::min(lines.find('\n', at), lines.size());
        const std::string line = lines.substr(at, end - at);
        const std::size_t eq = line.find(" = ");
        journal::Entry e;
        e.kind = journal::Kind::Set;
        e.name = line.substr(0, eq);
        e.value = eq == std::string::npos ? "" : line.substr(eq + 3);
        const SettingRow* row = journal::FindSetting(e.name);
        if (!row) return "";
        e.quoted = std::holds_alternative<std::string*>(row->target);
        if (e.name == "width" && !Whole(e.value, start.width)) return "";
        if (e.name == "height" && !Whole(e.value, start.height)) return "";
        sets += Line(e);
    }
    std::string text = Line(start) + sets;
    if (Get(chunk, "morvane:toggles").find("white=1") != std::string::npos) {
        journal::Entry flag;
        flag.kind = journal::Kind::Flag;
        flag.name = "white";
        flag.on = true;
        text += Line(flag);
    }
    return text;
}

// Replaces each @NAME@ of the template with its value, in one pass, so that a value is never
// read as a placeholder.
std::string Fill(const std::string& page, const std::map<std::string, std::string>& values) {
    std::string out;
    std::size_t at = 0;
    for (std::size_t open; (open = page.find('@', at)) != std::string::npos;) {
        const std::size_t close = page.find('@', open + 1);
        const auto value = close == std::string::npos
                               ? values.end()
                               : values.find(page.substr(open + 1, close - open - 1));
        if (value == values.end()) {
            out.append(page, at, open + 1 - at);
            at = open + 1;
            continue;
        }
        out.append(page, at, open - at);
        out += value->second;
        at = close + 1;
    }
    return out.append(page, at);
}

}  // namespace

bool PagesAvailable(std::string& why) {
    why.clear();
    if (BuiltParts()) return true;
    why =
        "this morvane-render was built without emscripten, which pages need: install it "
        "(scripts/install-deps test, or apt-get install emscripten) and build again";
    return false;
}

bool PageJournal(const Chunks& chunks, std::string& journal, bool& fill, std::string& error) {
    fill = Get(chunks, "morvane:toggles").find("fill-holes=1") != std::string::npos;
    if (chunks.count("morvane:journal-omitted")) {
        error = Get(chunks, "morvane:journal-omitted");
        return false;
    }
    journal =
        chunks.count("morvane:journal") ? Get(chunks, "morvane:journal") : RenderJournal(chunks);
    if (journal.empty()) error = "the picture has no recipe a page can play";
    return !journal.empty();
}

bool PageStop(const Chunks& chunks, std::uint64_t& stop) {
    if (Whole(Get(chunks, "morvane:frames"), stop)) return true;
    const std::string target = Get(chunks, "morvane:target");
    if (target.rfind("frame ", 0) == 0) return Whole(target.substr(6), stop);
    // A replay to a save or to the end stops at the frame of its journal's last line.
    std::string lines = Get(chunks, "morvane:journal");
    while (!lines.empty() && lines.back() == '\n') lines.pop_back();
    const auto last = journal::ParseLogLine(lines.substr(lines.rfind('\n') + 1));
    if (!last || last->kind == journal::Kind::Start) return false;
    stop = last->frame;
    return true;
}

bool PageText(const PageRecipe& recipe, std::string& page, std::string& error) {
    const PageParts* parts = BuiltParts();
    if (!parts) return PagesAvailable(error);
    std::string journal;
    bool fill = false;
    if (!PageJournal(recipe.chunks, journal, fill, error)) return false;
    const std::string data = "{\"journal\": \"" + Base64(journal) +
                             "\", \"stop\": " + std::to_string(recipe.stop) +
                             ", \"fill\": " + (fill ? "true" : "false") +
                             ", \"fingerprint\": " + JsonString(recipe.fingerprint) +
                             ", \"name\": " + JsonString(recipe.name) + "}";
    page = Fill(parts->page, {{"TITLE", HtmlEscape("morvane: " + recipe.name)},
                              {"FINGERPRINT", HtmlEscape(recipe.fingerprint)},
                              {"DATA", data},
                              {"ENGINE", parts->engine},
                              {"SCRIPT", parts->script}});
    return true;
}
