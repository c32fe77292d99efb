// SPDX-License-Identifier: MIT
// Writing the gallery page. Every picture is read first (its size and tEXt chunks), so that a bad
// file stops the gallery before anything is written; then the thumbnails, then the page. Every
// value the page shows comes from a file and is escaped where it is written.
#include "render/batch/gallery.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <png++/png.hpp>
#include <utility>

#include "config/safe_write.h"
#include "export/png_text.h"
#include "export/scale.h"
#include "render/batch/gallery_page.h"
#include "render/batch/sheet.h"
#include "render/batch/sweep.h"
#include "render/out/page.h"

namespace {

constexpr int THUMB_WIDTH = 256;
// Pictures on one page: a page stays well under 2 MB and opens at once however many pictures the
// gallery holds; the pages link to each other.
constexpr std::size_t PAGE_PICTURES = 400;
// The first tiles of a page load at once; the rest as they are scrolled near, so that opening a
// page waits for one screen of thumbnails, not hundreds.
constexpr std::size_t EAGER_TILES = 48;

// A relative path as a URL path: every byte but letters, digits, "-._~/" written as %HH.
std::string UrlPath(const std::string& path) {
    std::string out;
    for (const unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("-._~/", c)) {
            out += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

std::string ShellQuote(const std::string& text) {
    std::string out = "'";
    for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string BaseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<std::string> PathParts(const std::string& path) {
    std::vector<std::string> parts;
    for (std::size_t start = 0; start < path.size();) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// `file` as a path from the folder whose real path is `from`.
std::string RelativePath(const std::string& from, const std::string& file) {
    char real[PATH_MAX];
    if (!realpath(file.c_str(), real)) return file;
    const std::vector<std::string> a = PathParts(from), b = PathParts(real);
    std::size_t common = 0;
    while (common < a.size() && common + 1 < b.size() && a[common] == b[common]) ++common;
    std::string path;
    for (std::size_t i = common; i < a.size(); ++i) path += "../";
    for (std::size_t i = common; i < b.size(); ++i) path += b[i] + (i + 1 < b.size() ? "/" : "");
    return path;
}

struct Picture {
    std::string path, href, name, label, command;
    std::string grow;  // its web page, from the gallery's folder; empty when it has none
    Chunks chunks;
    std::vector<std::pair<std::string, std::string>> settings;  // what the page lists and filters
};

// The shell command that renders the picture again: its settings as a file, then the render
// with the same seed and frame count, so that it gives the same samples anywhere.
std::string CommandOf(std::map<std::string, std::string>& text, const Picture& p) {
    const std::string again = ShellQuote("again-" + p.name);
    if (text.count("morvane:journal"))
        return "morvane-render from " + ShellQuote(p.href) + " -o " + again;
    if (!text.count("morvane:settings")) return "";
    const std::string stem = p.name.substr(0, p.name.rfind('.'));
    std::string command = "printf '%s\\n'";
    for (const auto& [key, value] : p.settings) {
        if (key == "file" || key == "seed" || key == "frames" || key == "white" ||
            key == "fill-holes")
            continue;
        std::string line = key;
        line += " = ";
        line += value;
        command += " " + ShellQuote(line);
    }
    command += " > " + ShellQuote("again-" + stem + ".cfg") +
               " &&\nmorvane-render render --settings " + ShellQuote("again-" + stem + ".cfg") +
               " --seed " + text["morvane:seed"] + " --frames " + text["morvane:frames"];
    const std::string& toggles = text["morvane:toggles"];
    if (toggles.find("white=1") != std::string::npos) command += " --white";
    if (toggles.find("fill-holes=1") != std::string::npos) command += " --fill-holes";
    return command + " -o " + again;
}

bool ReadPicture(const std::string& path, const std::string& folder, Picture& p,
                 std::string& error) {
    int w = 0, h = 0;
    std::map<std::string, std::string> text;
    if (!Check16BitGrey(path, w, h, error) || !ReadTextChunks(path, text, error)) return false;
    p.path = path;
    p.href = RelativePath(folder, path);
    p.name = BaseName(path);
    p.label = !text["morvane:label"].empty()  ? text["morvane:label"]
              : !text["morvane:seed"].empty() ? "seed " + text["morvane:seed"]
                                              : p.name;
    p.settings.emplace_back("file", p.name);
    for (const char* key : {"seed", "frames"})
        if (!text["morvane:" + std::string(key)].empty())
            p.settings.emplace_back(key, text["morvane:" + std::string(key)]);
    if (text.count("morvane:settings")) {
        const std::string& toggles = text["morvane:toggles"];
        p.settings.emplace_back("white", toggles.find("white=1") != std::string::npos ? "1" : "0");
        p.settings.emplace_back("fill-holes",
                                toggles.find("fill-holes=1") != std::string::npos ? "1" : "0");
    }
    const std::string& lines = text["morvane:settings"];
    for (std::size_t start = 0; start < lines.size();) {
        const std::size_t end = std::min(lines.find('\n', start), lines.size());
        const std::string line = lines.substr(start, end - start);
        const auto eq = line.find(" = ");
        if (eq != std::string::npos)
            p.settings.emplace_back(line.substr(0, eq), line.substr(eq + 3));
        start = end + 1;
    }
    p.command = CommandOf(text, p);
    p.chunks = std::move(text);
    return true;
}

bool WriteThumbnail(const Picture& p, const std::string& out, std::string& error) {
    png::image<png::gray_pixel_16> image(p.path);
    const int w = static_cast<int>(image.get_width()), h = static_cast<int>(image.get_height());
    const int height = ScaledHeight(w, h, THUMB_WIDTH);
    png::image<png::gray_pixel> thumb(THUMB_WIDTH, static_cast<png::uint_32>(height));
    std::vector<std::uint8_t> grey(static_cast<std::size_t>(THUMB_WIDTH) * height);
    ScaleBrightest([&](int x, int y) { return image[y][x] >> 8; }, w, h, grey.data(), THUMB_WIDTH,
                   height, THUMB_WIDTH);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < THUMB_WIDTH; ++x)
            thumb[y][x] = grey[static_cast<std::size_t>(y) * THUMB_WIDTH + x];
    if (WriteFileSafely(
            out, [&](std::ostream& o) { thumb.write_stream(o); }, error))
        return true;
    error = out + ": " + error;
    return false;
}

std::string TileHtml(const Picture& p, std::size_t index, bool lazy) {
    char thumb[48];
    std::snprintf(thumb, sizeof thumb, "thumbs/%04zu.png", index + 1);
    const std::string grow =
        p.grow.empty() ? "" : " data-grow=\"" + HtmlEscape(UrlPath(p.grow)) + "\"";
    std::string html = "<figure class=\"tile\" tabindex=\"0\"" + grow + "><a href=\"" +
                       HtmlEscape(UrlPath(p.href)) + "\"><img src=\"" + thumb +
                       (lazy ? "\" loading=\"lazy" : "") + "\" alt=\"" + HtmlEscape(p.label) +
                       "\"></a>\n<figcaption>" + HtmlEscape(p.label) + "</figcaption>\n" +
                       "<dl class=\"settings\" hidden>";
    for (const auto& [key, value] : p.settings)
        html += "<dt>" + HtmlEscape(key) + "</dt><dd>" + HtmlEscape(value) + "</dd>";
    const std::string command =
        p.command.empty() ? "(not written by morvane-render: no command)" : p.command;
    return html + "</dl>\n<pre class=\"command\" hidden>" + HtmlEscape(command) +
           "</pre></figure>\n";
}

std::string PageName(std::size_t page) {
    return page == 0 ? "index.html" : "page-" + std::to_string(page + 1) + ".html";
}

// The page's head: its title, what it shows, the filter, and links to the other pages.
std::string PageHead(const std::string& title, std::size_t total, PageSpan span, std::size_t page,
                     std::size_t pages) {
    std::string shows = std::to_string(total) + " pictures";
    if (pages > 1)
        shows = "pictures " + std::to_string(span.first + 1) + " to " + std::to_string(span.end) +
                " of " + std::to_string(total);
    std::string html =
        "<!doctype html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n<title>" +
        HtmlEscape(title) + "</title>\n<style>" + GalleryStyle() +
        "</style></head><body>\n<header><h1>" + HtmlEscape(title) + "</h1><span>" + shows +
        "; arrow keys move, Enter opens, Escape closes</span><label>show "
        "<select id=\"filter-key\"><option value=\"\">all</option></select> "
        "<select id=\"filter-value\"></select></label></header>\n";
    if (pages < 2) return html;
    html += "<nav class=\"pages\">page";
    for (std::size_t p = 0; p < pages; ++p)
        html += p == page ? " <b>" + std::to_string(p + 1) + "</b>"
                          : " <a href=\"" + PageName(p) + "\">" + std::to_string(p + 1) + "</a>";
    return html + "</nav>\n";
}

std::string GridHead(const GridLayout& grid) {
    if (grid.columns <= 0) return "<div id=\"grid\" class=\"grid\">\n";
    std::string html =
        "<div id=\"grid\" class=\"grid fixed\" style=\"--columns: " + std::to_string(grid.columns) +
        "\"><div class=\"axis\"></div><div class=\"axis\" " + "style=\"grid-column: 2 / span " +
        std::to_string(grid.columns) + "\">" + HtmlEscape(grid.column_key) +
        "</div>\n<div class=\"head\">" + HtmlEscape(grid.row_key) + "</div>";
    for (const std::string& label : grid.column_labels)
        html += "<div class=\"head\">" + HtmlEscape(label) + "</div>";
    return html + "\n";
}

// Page `page` of `pages`, showing the pictures of `span`.
std::string PageHtml(const std::vector<Picture>& pictures, const std::string& title,
                     const GridLayout& grid, PageSpan span, std::size_t page, std::size_t pages) {
    std::string html = PageHead(title, pictures.size(), span, page, pages) + GridHead(grid);
    for (std::size_t i = span.first; i < span.end; ++i) {
        const std::size_t row = grid.columns > 0 ? i / grid.columns : 0;
        if (grid.columns > 0 && i % grid.columns == 0 && row < grid.row_labels.size())
            html += "<div class=\"head\">" + HtmlEscape(grid.row_labels[row]) + "</div>";
        html += TileHtml(pictures[i], i, i - span.first >= EAGER_TILES);
    }
    return html +
           "</div>\n<div id=\"viewer\" hidden><div class=\"picture\"><img id=\"full\" "
           "alt=\"\"></div><div class=\"info\"><p id=\"caption\"></p><p><button id=\"prev\">"
           "&larr;</button> <button id=\"next\">&rarr;</button> <button id=\"close\">close"
           "</button> <a id=\"grow\" hidden>grow it</a></p><dl id=\"settings\"></dl><p>Renders it "
           "again:</p><pre id=\"command\">"
           "</pre><p><button id=\"copy\">copy the command</button> <span id=\"copied\"></span>"
           "</p></div></div>\n<script>" +
           GalleryScript() + "</script>\n</body></html>\n";
}

// The web page of each picture that holds a recipe (written by morvane-render), into grow/;
// none at all when this morvane-render cannot write pages.
bool WriteGrowPages(std::vector<Picture>& pictures, const std::string& folder, std::string& error) {
    std::string why;
    if (!PagesAvailable(why) || !MakeFolder(folder + "/grow", error)) return error.empty();
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        Picture& p = pictures[i];
        std::uint64_t stop = 0;
        std::string page;
        const auto fingerprint = p.chunks.find("morvane:fingerprint");
        if (!PageStop(p.chunks, stop) ||
            !PageText(
                {p.chunks, stop, fingerprint == p.chunks.end() ? "" : fingerprint->second, p.label},
                page, why))
            continue;
        char name[48];
        std::snprintf(name, sizeof name, "grow/%04zu.html", i + 1);
        std::string out = folder;
        out.append("/").append(name);
        if (!WriteFileSafely(
                out, [&](std::ostream& o) { o << page; }, error)) {
            error.insert(0, out + ": ");
            return false;
        }
        p.grow = name;
    }
    return true;
}

// Writes every page into `folder`; false with the reason when one cannot be written.
bool WritePages(const std::vector<Picture>& pictures, const std::string& folder,
                const std::string& title, const GridLayout& grid, std::string& error) {
    const std::vector<PageSpan> pages = GalleryPages(pictures.size(), grid.columns);
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const std::string path = folder + "/" + PageName(p);
        const std::string html = PageHtml(pictures, title, grid, pages[p], p, pages.size());
        if (!WriteFileSafely(
                path, [&](std::ostream& o) { o << html; }, error)) {
            error.insert(0, path + ": ");
            return false;
        }
    }
    return true;
}

}  // namespace

std::vector<PageSpan> GalleryPages(std::size_t count, int columns) {
    std::size_t per = PAGE_PICTURES;
    if (columns > 0) {
        const auto row = static_cast<std::size_t>(columns);
        per = std::max<std::size_t>(1, PAGE_PICTURES / row) * row;
    }
    std::vector<PageSpan> pages;
    for (std::size_t first = 0; first < count || pages.empty(); first += per)
        pages.push_back({first, std::min(count, first + per)});
    return pages;
}

bool WriteGallery(const std::vector<std::string>& paths, const std::string& folder,
                  const GridLayout& grid, bool quiet, std::string& error) {
    char real[PATH_MAX];
    struct stat st {};
    const char* problem = nullptr;
    if (stat(folder.c_str(), &st) != 0 || !realpath(folder.c_str(), real))
        // Alike on purpose with the last branch: each names the errno of its own call.
        // NOLINTNEXTLINE(bugprone-branch-clone)
        problem = std::strerror(errno);
    else if (!S_ISDIR(st.st_mode))
        problem = "it is a file, not a folder";
    else if (access(folder.c_str(), W_OK) != 0)
        problem = std::strerror(errno);
    if (problem) {
        error = "cannot write the gallery into " + folder + ": " + problem;
        return false;
    }
    std::vector<Picture> pictures(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i)
        if (!ReadPicture(paths[i], real, pictures[i], error)) return false;
    if (!MakeFolder(folder + "/thumbs", error)) return false;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        char thumb[48];
        std::snprintf(thumb, sizeof thumb, "/thumbs/%04zu.png", i + 1);
        if (!WriteThumbnail(pictures[i], folder + thumb, error)) return false;
    }
    if (!WriteGrowPages(pictures, folder, error)) return false;
    if (!WritePages(pictures, folder, "morvane: " + BaseName(real), grid, error)) return false;
    if (!quiet)
        std::fprintf(stderr, "gallery: %zu pictures -> %s/index.html\n", pictures.size(),
                     folder.c_str());
    return true;
}
