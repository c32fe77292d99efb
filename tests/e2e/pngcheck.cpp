// SPDX-License-Identifier: MIT
// A small checker for the window tests: reads screenshots (8-bit RGB PNG) and saved images
// (16-bit grey PNG) and answers one question per call on standard output.
//
//   pngcheck size FILE                        -> "W H"
//   pngcheck pixel FILE X Y                   -> "R G B" (or the 16-bit grey sample)
//   pngcheck lit FILE X Y W H [LEVEL]         -> number of pixels in the box brighter than LEVEL
//   pngcheck column FILE X Y0 Y1              -> number of pure white pixels in column X,
//                                                rows Y0..Y1
//   pngcheck same FILE1 FILE2 X Y W H         -> number of pixels in the box that differ
//   pngcheck window-matches-save SHOT SAVED YOFFSET [SCALE]
//                                             -> number of canvas pixels whose grey is not the
//                                                saved sample / 256 (first few listed on stderr);
//                                                with SCALE each window pixel shows the brightest
//                                                sample of its SCALE x SCALE block
//   pngcheck first-lit FILE                   -> "X Y" of the first sample above 0, row by row
//   pngcheck filled SHOWN SAVED               -> "CHANGED FILLED": lit pixels of SHOWN that SAVED
//                                                does not hold as they are, empty ones it fills
//   pngcheck phys FILE                        -> pixels per metre across and down, and the unit
//   pngcheck ink-on-lit DRAWN CANVAS          -> percent of DRAWN's ink (its grey, summed) that
//                                                lies on lit pixels of the 16-bit CANVAS
//   pngcheck samples FILE                     -> the 16-bit grey samples, row by row, two bytes
//                                                each, most significant first (binary)
//   pngcheck bomb FILE W H [CLAIM]            writes a hostile file: the header of a 16-bit grey
//                                                W x H PNG without its pixels, and with CLAIM a
//                                                tEXt chunk that claims CLAIM bytes but holds 16
//   pngcheck region-matches-save SHOT SAVED YOFFSET X0 Y0 W H [MAG]
//                                             -> the same for a zoomed view: window pixel
//                                                (x, YOFFSET + y), x < W, y < H, shows saved
//                                                sample (X0 + x / MAG, Y0 + y / MAG)

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <png++/png.hpp>
#include <string>

namespace {

using Rgb = png::image<png::rgb_pixel>;
using Grey16 = png::image<png::gray_pixel_16>;

int Arg(char** argv, int i) {
    return std::atoi(argv[i]);
}

long CountBox(const Rgb& img, int x, int y, int w, int h, auto&& pred) {
    long n = 0;
    for (int yy = y; yy < y + h && yy < static_cast<int>(img.get_height()); ++yy)
        for (int xx = x; xx < x + w && xx < static_cast<int>(img.get_width()); ++xx)
            if (pred(img[yy][xx], xx, yy)) ++n;
    return n;
}

std::uint32_t Crc(const std::string& bytes) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (const unsigned char b : bytes) {
        c ^= b;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

std::string BigEndian(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}

// A chunk of `type` and `data`, its length field saying `claim` bytes.
std::string Chunk(const std::string& type, const std::string& data, std::uint32_t claim) {
    return BigEndian(claim) + type + data + BigEndian(Crc(type + data));
}

void WriteBomb(const char* path, std::uint32_t w, std::uint32_t h, std::uint32_t claim) {
    const std::string header = BigEndian(w) + BigEndian(h) + std::string("\x10\0\0\0\0", 5);
    std::string png = "\x89PNG\r\n\x1a\n" + Chunk("IHDR", header, 13);
    const std::string text = std::string("Comment\0", 8) + std::string(8, 'x');
    if (claim > 0) png += Chunk("tEXt", text, claim);
    std::ofstream(path, std::ios::binary) << png;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const std::string cmd = argv[1];
    try {
        if (cmd == "size") {
            png::image<png::rgb_pixel_16> img(argv[2]);
            std::cout << img.get_width() << " " << img.get_height() << "\n";
        } else if (cmd == "pixel" && argc == 5) {
            png::image<png::rgb_pixel_16> img(argv[2]);
            const auto p = img[Arg(argv, 4)][Arg(argv, 3)];
            std::cout << p.red << " " << p.green << " " << p.blue << "\n";
        } else if (cmd == "lit" && argc >= 7) {
            const Rgb img(argv[2]);
            const int level = argc > 7 ? Arg(argv, 7) : 0;
            std::cout << CountBox(img, Arg(argv, 3), Arg(argv, 4), Arg(argv, 5), Arg(argv, 6),
                                  [&](png::rgb_pixel p, int, int) {
                                      return p.red > level || p.green > level || p.blue > level;
                                  })
                      << "\n";
        } else if (cmd == "column" && argc == 6) {
            const Rgb img(argv[2]);
            const int y0 = Arg(argv, 4);
            std::cout << CountBox(img, Arg(argv, 3), y0, 1, Arg(argv, 5) - y0 + 1,
                                  [](png::rgb_pixel p, int, int) {
                                      return p.red == 255 && p.green == 255 && p.blue == 255;
                                  })
                      << "\n";
        } else if (cmd == "same" && argc == 8) {
            const Rgb a(argv[2]), b(argv[3]);
            std::cout << CountBox(a, Arg(argv, 4), Arg(argv, 5), Arg(argv, 6), Arg(argv, 7),
                                  [&](png::rgb_pixel p, int x, int y) {
                                      const auto q = b[y][x];
                                      return p.red != q.red || p.green != q.green ||
                                             p.blue != q.blue;
                                  })
                      << "\n";
        } else if (cmd == "samples" && argc == 3) {
            const Grey16 img(argv[2]);
            for (std::size_t y = 0; y < img.get_height(); ++y)
                for (std::size_t x = 0; x < img.get_width(); ++x) {
                    const int v = img[y][x];
                    std::cout.put(static_cast<char>(v >> 8)).put(static_cast<char>(v & 0xFF));
                }
        } else if (cmd == "window-matches-save" && (argc == 5 || argc == 6)) {
            const Rgb shot(argv[2]);
            const Grey16 saved(argv[3]);
            const int yoff = Arg(argv, 4);
            const int scale = argc == 6 ? Arg(argv, 5) : 1;
            const int w = static_cast<int>(saved.get_width()),
                      h = static_cast<int>(saved.get_height());
            long bad = 0;
            for (int y = 0; y * scale < h; ++y)
                for (int x = 0; x * scale < w; ++x) {
                    // A scaled window pixel shows the brightest saved sample of its block.
                    int want = 0;
                    for (int by = y * scale; by < std::min(h, (y + 1) * scale); ++by)
                        for (int bx = x * scale; bx < std::min(w, (x + 1) * scale); ++bx)
                            want = std::max(want, saved[by][bx] / 256);
                    const auto p = shot[y + yoff][x];
                    if (p.red != want || p.green != want || p.blue != want) {
                        if (bad++ < 5)
                            std::cerr << "(" << x << "," << y << ") window " << int(p.red)
                                      << " saved " << want * 256 << "\n";
                    }
                }
            std::cout << bad << "\n";
        } else if (cmd == "first-lit") {
            const Grey16 img(argv[2]);
            for (png::uint_32 y = 0; y < img.get_height(); ++y)
                for (png::uint_32 x = 0; x < img.get_width(); ++x)
                    if (img[y][x] > 0) {
                        std::cout << x << " " << y << "\n";
                        return 0;
                    }
            return 1;
        } else if (cmd == "filled" && argc == 4) {
            const Grey16 shown(argv[2]), saved(argv[3]);
            long changed = 0, filled = 0;
            for (png::uint_32 y = 0; y < shown.get_height(); ++y)
                for (png::uint_32 x = 0; x < shown.get_width(); ++x) {
                    changed += shown[y][x] > 0 && saved[y][x] != shown[y][x];
                    filled += shown[y][x] == 0 && saved[y][x] > 0;
                }
            std::cout << changed << " " << filled << "\n";
        } else if (cmd == "phys") {
            std::ifstream in(argv[2], std::ios::binary);
            png::reader<std::istream> reader(in);
            reader.read_info();
            png_uint_32 px = 0, py = 0;
            int unit = -1;
            png_get_pHYs(reader.get_png_struct(), reader.get_info().get_png_info(), &px, &py,
                         &unit);
            std::cout << px << " " << py << " " << unit << "\n";
        } else if (cmd == "ink-on-lit" && argc == 4) {
            // The drawing may be rasterised at a whole multiple of the canvas's size.
            const Rgb drawn(argv[2]);
            const Grey16 canvas(argv[3]);
            const auto k = static_cast<int>(drawn.get_width() / canvas.get_width());
            double ink = 0, on_lit = 0;
            CountBox(drawn, 0, 0, static_cast<int>(canvas.get_width()) * k,
                     static_cast<int>(canvas.get_height()) * k,
                     [&](png::rgb_pixel p, int x, int y) {
                         const double grey = p.red + p.green + p.blue;
                         ink += grey;
                         if (canvas[y / k][x / k] > 0) on_lit += grey;
                         return false;
                     });
            std::cout << static_cast<int>(ink > 0 ? 100 * on_lit / ink : 0) << "\n";
        } else if (cmd == "mean" && argc == 3) {
            // The mean grey, 0 (black) to 1 (white), of any PNG.
            const Rgb img(argv[2]);
            double sum = 0;
            CountBox(img, 0, 0, static_cast<int>(img.get_width()),
                     static_cast<int>(img.get_height()), [&](png::rgb_pixel p, int, int) {
                         sum += p.red + p.green + p.blue;
                         return false;
                     });
            std::cout << sum / (765.0 * img.get_width() * img.get_height()) << "\n";
        } else if (cmd == "bomb" && (argc == 5 || argc == 6)) {
            const auto number = [&](int i) {
                return static_cast<std::uint32_t>(std::strtoul(argv[i], nullptr, 10));
            };
            WriteBomb(argv[2], number(3), number(4), argc == 6 ? number(5) : 0);
        } else if (cmd == "region-matches-save" && (argc == 9 || argc == 10)) {
            const Rgb shot(argv[2]);
            const Grey16 saved(argv[3]);
            const int yoff = Arg(argv, 4), x0 = Arg(argv, 5), y0 = Arg(argv, 6);
            const int w = Arg(argv, 7), h = Arg(argv, 8), mag = argc == 10 ? Arg(argv, 9) : 1;
            long bad = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const int sx = x0 + x / mag, sy = y0 + y / mag;
                    const bool inside = sx < static_cast<int>(saved.get_width()) &&
                                        sy < static_cast<int>(saved.get_height()) &&
                                        y + yoff < static_cast<int>(shot.get_height()) &&
                                        x < static_cast<int>(shot.get_width());
                    const int want = inside ? saved[sy][sx] / 256 : -1;
                    const auto p = inside ? shot[y + yoff][x] : png::rgb_pixel{};
                    if (!inside || p.red != want || p.green != want || p.blue != want) {
                        if (bad++ < 5)
                            std::cerr << "(" << x << "," << y << ") window " << int(p.red)
                                      << " saved " << want * 256 << "\n";
                    }
                }
            std::cout << bad << "\n";
        } else {
            return 2;
        }
    } catch (const std::exception& e) {
        std::cerr << "pngcheck: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
