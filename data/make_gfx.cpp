// SPDX-License-Identifier: MIT
// Generates the button images of the resource package as PNG files, and their manifest, into the
// folder given on the command line. Each image stacks its states top to bottom: up then down for
// push buttons, off then on for toggles. Start reading at main: one row per image.
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Color {
    std::uint8_t r, g, b;
};

constexpr Color BLACK = {0, 0, 0};
constexpr Color WHITE = {255, 255, 255};
constexpr Color FACE = {58, 62, 70};     // an idle button: dark slate on the black band
constexpr Color EDGE = {170, 176, 186};  // its frame
constexpr Color LIT = {235, 238, 242};   // a pressed or switched-on face
// Half the height of the less/more triangles; the narrow "more" button (12 px) just fits one.
constexpr int ARROW_HALF = 6;

// 5 x 7 capitals for the push-button words, one row of five bits per line, top row first.
struct Letter {
    char c;
    std::uint8_t rows[7];
};
constexpr Letter LETTERS[] = {
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
};

// One state of a button, drawn with opaque pixels.
class Picture {
public:
    Picture(int w, int h) : w_(w), h_(h), rgba_(static_cast<std::size_t>(w) * h * 4, 255) {
        Fill(0, 0, w, h, BLACK);
    }
    int w() const { return w_; }
    int h() const { return h_; }
    const std::vector<std::uint8_t>& rgba() const { return rgba_; }

    void Set(int x, int y, Color c) {
        if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
        std::uint8_t* p = &rgba_[(static_cast<std::size_t>(y) * w_ + x) * 4];
        p[0] = c.r;
        p[1] = c.g;
        p[2] = c.b;
    }
    void Fill(int x, int y, int w, int h, Color c) {
        for (int j = y; j < y + h; ++j)
            for (int i = x; i < x + w; ++i) Set(i, j, c);
    }
    // A face with a one-pixel frame and the corners cut, so it reads as a button.
    void Face(Color face, Color edge) {
        Fill(0, 0, w_, h_, edge);
        Fill(1, 1, w_ - 2, h_ - 2, face);
        for (int cx : {0, w_ - 1})
            for (int cy : {0, h_ - 1}) Set(cx, cy, BLACK);
    }
    // Writes `word` in the 5 x 7 capitals, centred.
    void Word(const char* word, Color c) {
        const int width = static_cast<int>(std::string(word).size()) * 6 - 1;
        int x = (w_ - width) / 2;
        const int y = (h_ - 7) / 2;
        for (const char* p = word; *p; ++p, x += 6)
            for (const Letter& l : LETTERS)
                if (l.c == *p)
                    for (int row = 0; row < 7; ++row)
                        for (int col = 0; col < 5; ++col)
                            if (l.rows[row] & (0x10 >> col)) Set(x + col, y + row, c);
    }
    // A solid triangle pointing left (dir -1) or right (dir 1), its tip at column tip.
    void Arrow(int tip, int dir, int half, Color c) {
        const int mid = h_ / 2;
        for (int k = 0; k <= half; ++k)
            for (int y = mid - k; y < mid + k; ++y) Set(tip - dir * k, y, c);
    }
    // The check mark of a switched-on toggle: two thick strokes.
    void Check(Color c) {
        for (int k = 0; k < 4; ++k)
            for (int t = 0; t < 3; ++t) Set(4 + k, 8 + k + t, c);
        for (int k = 0; k < 7; ++k)
            for (int t = 0; t < 3; ++t) Set(8 + k, 11 - k + t - 1, c);
    }

private:
    int w_, h_;
    std::vector<std::uint8_t> rgba_;
};

// Stacks the states and writes them as one PNG; false when the file cannot be written.
bool WriteImage(const std::string& path, const std::vector<Picture>& states) {
    const int w = states[0].w(), h = states[0].h();
    std::vector<std::uint8_t> rgba;
    for (const Picture& p : states) rgba.insert(rgba.end(), p.rgba().begin(), p.rgba().end());
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(w);
    image.height = static_cast<png_uint_32>(h * states.size());
    image.format = PNG_FORMAT_RGBA;
    if (png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr)) return true;
    std::fprintf(stderr, "make_gfx: cannot write %s: %s\n", path.c_str(), image.message);
    return false;
}

std::vector<Picture> PushWord(const char* word) {
    Picture up(45, 18), down(45, 18);
    up.Face(FACE, EDGE);
    up.Word(word, WHITE);
    down.Face(LIT, WHITE);
    down.Word(word, BLACK);
    return {up, down};
}

std::vector<Picture> PushArrow(int w, int dir) {
    Picture up(w, 20), down(w, 20);
    const int tip = dir < 0 ? 2 : w - 3;
    up.Face(FACE, EDGE);
    up.Arrow(tip, dir, ARROW_HALF, WHITE);
    down.Face(LIT, WHITE);
    down.Arrow(tip, dir, ARROW_HALF, BLACK);
    return {up, down};
}

std::vector<Picture> CheckBox() {
    Picture off(18, 18), on(18, 18);
    off.Face(BLACK, EDGE);
    on.Face(LIT, WHITE);
    on.Check(BLACK);
    return {off, on};
}

struct Row {
    const char* name;
    const char* kind;
    std::vector<Picture> states;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_gfx OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const Row rows[] = {
        {"checkwhite", "toggle", CheckBox()}, {"redo", "push", PushWord("REDO")},
        {"save", "push", PushWord("SAVE")},   {"exit", "push", PushWord("EXIT")},
        {"less", "push", PushArrow(19, -1)},  {"more", "push", PushArrow(12, 1)},
    };
    std::string manifest = "# button image, kind, number of states stacked top to bottom\n";
    for (const Row& row : rows) {
        if (!WriteImage(folder + "/" + row.name, row.states)) return 1;
        manifest +=
            std::string(row.name) + " " + row.kind + " " + std::to_string(row.states.size()) + "\n";
    }
    std::FILE* out = std::fopen((folder + "/manifest").c_str(), "w");
    if (!out || std::fputs(manifest.c_str(), out) < 0 || std::fclose(out) != 0) {
        std::fprintf(stderr, "make_gfx: cannot write the manifest\n");
        return 1;
    }
    return 0;
}
