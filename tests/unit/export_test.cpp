// SPDX-License-Identifier: MIT
// SaveImage: the file holds exactly the chunks and samples we mean, empty pixels are filled from
// the canvas as it was, the canvas is left alone, and a failed save keeps the earlier file.
#include "export/export.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <png++/png.hpp>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "engine/canvas.h"
#include "engine/frame.h"
#include "engine/settings.h"
#include "panel/panel.h"
#include "platform/platform.h"
#include "platform/testing.h"
#include "test_files.h"

namespace fs = std::filesystem;

namespace {

using Image = png::image<png::gray_pixel_16>;

std::string ReadAll(const fs::path& p) {
    return ReadFile(p.string());
}

std::uint32_t BigEndian32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
    return v;
}

struct Chunk {
    std::string type;
    std::string data;
};

// Walks the chunk list of a PNG file's bytes; fails the test on a bad signature or a truncated
// chunk.
std::vector<Chunk> Chunks(const std::string& bytes) {
    std::vector<Chunk> chunks;
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    std::size_t at = 8;
    while (at + 12 <= bytes.size()) {
        const std::uint32_t length = BigEndian32(bytes, at);
        if (at + 12 + length > bytes.size()) break;
        chunks.push_back({bytes.substr(at + 4, 4), bytes.substr(at + 8, length)});
        at += 12 + length;
    }
    EXPECT_EQ(at, bytes.size()) << "trailing or truncated bytes";
    return chunks;
}

// The image data of a PNG file, inflated from its IDAT chunks; empty when the zlib stream or its
// checksum is bad.
std::string ImageData(const std::string& bytes, std::size_t size) {
    std::string stream;
    for (const Chunk& chunk : Chunks(bytes))
        if (chunk.type == "IDAT") stream += chunk.data;
    std::string data(size + 1, '\0');
    uLongf length = data.size();
    const int status = uncompress(reinterpret_cast<Bytef*>(data.data()), &length,
                                  reinterpret_cast<const Bytef*>(stream.data()), stream.size());
    data.resize(status == Z_OK ? length : 0);
    return data;
}

class SaveImageTest : public ::testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() / ("export_" + std::to_string(getpid()));
    fs::path png = dir / "out.png";

    void SetUp() override {
        fs::create_directories(dir);
        xs = 600;
        ys = 520;
        vertical_padding = 72;
        color_decay = 0.0f;
        file = png.string();
        ClearCanvas();
    }
    void TearDown() override {
        ClearCanvas();
        xs = ys = 512;
        vertical_padding = 72;
        color_decay = 0.0f;
        file = "morvane.png";
        fs::remove_all(dir);
    }
    void ClearCanvas() {
        for (int x = 0; x < xs; ++x) std::fill_n(arr[x], ys, 0);
    }
    // Lights about half the pixels with random values, in the model's range, 0 elsewhere.
    void Noise(std::uint32_t seed) {
        std::mt19937 rng(seed);
        for (int x = 0; x < xs; ++x)
            for (int y = 0; y < ys; ++y) arr[x][y] = rng() % 2 ? 0 : 1 + rng() % 65535;
    }
    std::vector<std::int32_t> CanvasCopy() {
        std::vector<std::int32_t> copy;
        for (int x = 0; x < xs; ++x) copy.insert(copy.end(), arr[x], arr[x] + ys);
        return copy;
    }
    Image Saved() {
        EXPECT_TRUE(SaveImageCommand());
        return Image(png.string());
    }
    // The saved sample at canvas pixel (x, y).
    static int At(const Image& image, int x, int y) { return image[y][x]; }
};

TEST_F(SaveImageTest, FileHoldsHeaderProvenanceDataAndEnd) {
    arr[5][7] = 1234;
    ASSERT_TRUE(SaveImageCommand());
    const std::vector<Chunk> chunks = Chunks(ReadAll(png));
    ASSERT_GE(chunks.size(), 7u);
    EXPECT_EQ(chunks.front().type, "IHDR");
    EXPECT_EQ(chunks.back().type, "IEND");
    // The provenance right after the header, the journal compressed; then only image data.
    const char* const text[][2] = {{"tEXt", "Software"},
                                   {"tEXt", "morvane:seed"},
                                   {"zTXt", "morvane:journal"},
                                   {"tEXt", "morvane:target"}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(chunks[i + 1].type, text[i][0]);
        EXPECT_EQ(chunks[i + 1].data.substr(0, chunks[i + 1].data.find('\0')), text[i][1]);
    }
    for (std::size_t i = 5; i + 1 < chunks.size(); ++i) EXPECT_EQ(chunks[i].type, "IDAT");

    // Width 600 and height 520 (not swapped, no panel band), 16-bit grey, no interlace.
    const std::string& ihdr = chunks.front().data;
    ASSERT_EQ(ihdr.size(), 13u);
    EXPECT_EQ(BigEndian32(ihdr, 0), 600u);
    EXPECT_EQ(BigEndian32(ihdr, 4), 520u);
    EXPECT_EQ(ihdr.substr(8), std::string("\x10\x00\x00\x00\x00", 5));

    const Image image(png.string());
    EXPECT_EQ(image.get_width(), 600u);
    EXPECT_EQ(image.get_height(), 520u);
    EXPECT_EQ(At(image, 5, 7), 1234);
    EXPECT_EQ(At(image, 7, 5), 0);
}

TEST_F(SaveImageTest, SamplesAreTheLow16BitsOfTheValue) {
    arr[10][10] = 65535;
    arr[20][10] = -1;
    arr[30][10] = 70000;
    arr[32][10] = 1000;
    const Image image = Saved();
    EXPECT_EQ(At(image, 10, 10), 65535);
    EXPECT_EQ(At(image, 20, 10), 65535);
    EXPECT_EQ(At(image, 30, 10), 70000 & 0xFFFF);
    // A negative neighbour is not lit and adds nothing to a blend; a blend takes whole values.
    EXPECT_EQ(At(image, 19, 10), 0);
    EXPECT_EQ(At(image, 31, 10), (70000 + 1000) / 2);
}

TEST_F(SaveImageTest, EmptyPixelsTakeTheDecayedMeanOfLitNeighbours) {
    arr[99][50] = 100;   // left of (100, 50)
    arr[100][51] = 300;  // below it
    arr[300][300] = 1000;
    // The corners see each other across the wrap.
    arr[xs - 1][0] = 100;
    arr[0][ys - 1] = 300;
    Image image = Saved();
    EXPECT_EQ(At(image, 100, 50), 200);
    EXPECT_EQ(At(image, 0, 0), 200);
    EXPECT_EQ(At(image, xs - 1, ys - 1), 200);
    // Both fills touching (300, 300) see only it; (302, 300) sees the empty (301, 300), not its
    // fill, so it stays 0.
    EXPECT_EQ(At(image, 301, 300), 1000);
    EXPECT_EQ(At(image, 300, 301), 1000);
    EXPECT_EQ(At(image, 302, 300), 0);
    EXPECT_EQ(At(image, 400, 400), 0);

    color_decay = 0.5f;
    image = Saved();
    EXPECT_EQ(At(image, 100, 50), 100);
    EXPECT_EQ(At(image, 301, 300), 500);
}

// The interior is blended by the export's own walk, the border through GetBlendedPixel; both must
// give what GetBlendedPixel gives, at every pixel, including the band and canvas edges.
TEST_F(SaveImageTest, EverySampleMatchesTheCanvasOrItsBlend) {
    // The snapshot keeps a column in words of 64 rows: the last of 523 holds 11.
    ys = 523;
    color_decay = 0.3f;
    Noise(1);
    // Sparser lit pixels so that many empty pixels have 0, 1, 2 or 3 lit neighbours.
    for (int x = 0; x < xs; ++x)
        for (int y = 0; y < ys; ++y)
            if ((x * 7 + y * 13) % 3) arr[x][y] = 0;
    // Columns lit from top to bottom, the last of them wrapping onto the first.
    for (const int x : {5, xs - 1})
        for (int y = 0; y < ys; ++y) arr[x][y] = 1 + x + y;
    const Image image = Saved();
    int mismatches = 0;
    for (int y = 0; y < ys; ++y)
        for (int x = 0; x < xs; ++x) {
            const int v = arr[x][y] != 0 ? arr[x][y] : GetBlendedPixel(x, y);
            if (At(image, x, y) != (v & 0xFFFF) && ++mismatches <= 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << "): " << At(image, x, y)
                              << " instead of " << (v & 0xFFFF);
        }
    EXPECT_EQ(mismatches, 0);
}

TEST_F(SaveImageTest, SavingLeavesTheCanvasAloneAndRepeatsExactly) {
    Noise(2);
    const std::vector<std::int32_t> before = CanvasCopy();
    // The image data repeats exactly; the journal chunk has one more save line.
    const auto image_data = [&] {
        std::string data;
        for (const Chunk& c : Chunks(ReadAll(png)))
            if (c.type == "IDAT") data += c.data;
        return data;
    };
    ASSERT_TRUE(SaveImageCommand());
    const std::string first = image_data();
    ASSERT_TRUE(SaveImageCommand());
    EXPECT_EQ(image_data(), first);
    EXPECT_TRUE(CanvasCopy() == before);
    // Only the image itself is left in the folder: no temporary.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(SaveImageTest, EmptyCanvasGivesAnAllZeroImage) {
    const Image image = Saved();
    for (int y = 0; y < ys; ++y)
        for (int x = 0; x < xs; ++x) ASSERT_EQ(At(image, x, y), 0) << x << ", " << y;
}

// The image data is compressed in parts on several threads: it must still be one zlib stream with
// a good checksum, holding exactly the rows libpng makes of the same samples (the same filter
// chosen for every row), and the file must be about as small as libpng's.
TEST_F(SaveImageTest, ImageDataIsWhatLibpngMakesOfTheSamples) {
    // Bands of rows that each suit another of libpng's filters: a plane (Paeth), flat rows (Sub),
    // equal rows (Up), sparse dots (None) and a level with fine noise (Average).
    std::mt19937 rng(4);
    for (int x = 0; x < xs; ++x)
        for (int y = 0; y < ys; ++y) {
            const int band = y / 104;
            const int noise = rng() % 2 ? 0 : 1 + static_cast<int>(rng() % 65535);
            const int v = band == 0   ? x * 97 + y * 31 + 1
                          : band == 1 ? y * 120 + 1
                          : band == 2 ? x * 100 + 1
                          : band == 3 ? (noise % 40 == 0) * noise
                                      : 30000 + noise % 64;
            arr[x][y] = v;
        }
    ASSERT_TRUE(SaveImageCommand());
    const std::string ours = ReadAll(png);
    const fs::path plain = dir / "libpng.png";
    Image(png.string()).write(plain.string());
    const std::string theirs = ReadAll(plain);

    const std::size_t row = 1 + 2 * static_cast<std::size_t>(xs);
    const std::string a = ImageData(ours, row * ys), b = ImageData(theirs, row * ys);
    ASSERT_EQ(a.size(), row * ys) << "not one valid zlib stream";
    ASSERT_EQ(b.size(), row * ys);
    std::set<char> filters;
    int rows_differ = 0;
    for (int y = 0; y < ys; ++y) {
        filters.insert(b[y * row]);
        if (a.compare(y * row, row, b, y * row, row) != 0 && ++rows_differ <= 3)
            ADD_FAILURE() << "row " << y << ": filter " << int(a[y * row]) << ", libpng's "
                          << int(b[y * row]);
    }
    EXPECT_EQ(rows_differ, 0);
    EXPECT_EQ(filters.size(), 5u) << "the canvas does not exercise every filter";
    EXPECT_LE(ours.size(), theirs.size() + theirs.size() / 100)
        << ours.size() << " bytes against libpng's " << theirs.size();
}

// A busy image whose rows repeat two random patterns: each part's first rows match the rows just
// before it, so the compressor reaches into the dictionary of the part before. A dictionary that
// is not exactly the bytes before the part decodes to other rows (an image of zeros never shows
// it: any 32 KiB of zeros is every other).
TEST_F(SaveImageTest, PartsThatReachIntoTheRowsBeforeThemDecodeExactly) {
    xs = 2000;
    ys = 600;
    std::mt19937 rng(9);
    std::vector<int> patterns[2];
    for (auto& p : patterns)
        for (int x = 0; x < xs; ++x) p.push_back(1 + static_cast<int>(rng() % 65535));
    for (int x = 0; x < xs; ++x)
        for (int y = 0; y < ys; ++y) arr[x][y] = patterns[(y / 3) % 2][x];
    ASSERT_TRUE(SaveImageCommand());
    const std::string ours = ReadAll(png);
    const fs::path plain = dir / "libpng.png";
    Image(png.string()).write(plain.string());
    const std::size_t row = 1 + 2 * static_cast<std::size_t>(xs);
    const std::string a = ImageData(ours, row * ys);
    ASSERT_EQ(a.size(), row * ys) << "not one valid zlib stream";
    EXPECT_TRUE(a == ImageData(ReadAll(plain), row * ys));
}

// Failed saves: false, the earlier image byte for byte, and one log line naming the path.
class SaveImageFailure : public SaveImageTest {
protected:
    fs::path log = dir / "morvane.log";
    fs::path small = dir / "small";
    bool mounted = false;
    std::string earlier;

    void SetUp() override {
        SaveImageTest::SetUp();
        CRM32Pro_ILogSystem::Init(log.c_str(), "morvane");
        arr[1][1] = 4242;
        ASSERT_TRUE(SaveImageCommand());
        earlier = ReadAll(png);
    }
    void TearDown() override {
        CRM32Pro_ILogSystem::Init(nullptr, "morvane");
        if (mounted) umount(small.c_str());
        SaveImageTest::TearDown();
    }
    void ExpectFailureLogged(const std::string& path) {
        EXPECT_FALSE(SaveImageCommand());
        EXPECT_EQ(ReadAll(png), earlier);
        const std::string text = ReadAll(log);
        EXPECT_NE(text.find("could not save image " + path + ":"), std::string::npos) << text;
    }
};

TEST_F(SaveImageFailure, MissingFolderOrFolderPath) {
    file = (dir / "no such folder" / "out.png").string();
    ExpectFailureLogged(file);
    fs::create_directory(dir / "sub");
    file = (dir / "sub").string();
    ExpectFailureLogged(file);
    EXPECT_TRUE(fs::is_directory(dir / "sub"));
}

TEST_F(SaveImageFailure, FullDiskKeepsTheEarlierImage) {
    fs::create_directory(small);
    mounted = getuid() == 0 && mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") == 0;
    // CI runs as root; elsewhere a full disk cannot be made without it.
    if (!mounted && std::getenv("CI")) FAIL() << "cannot mount a small tmpfs (needs root)";
    if (!mounted) GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
    // The earlier image fits; a noisy canvas of the same size compresses to far more than 64k.
    png = small / "out.png";
    file = png.string();
    ASSERT_TRUE(SaveImageCommand());
    earlier = ReadAll(png);
    Noise(3);
    ExpectFailureLogged(file);
    EXPECT_NE(ReadAll(log).find(std::strerror(ENOSPC)), std::string::npos) << "reason lost";
    EXPECT_EQ(std::distance(fs::directory_iterator(small), fs::directory_iterator()), 1);
}

// The filled pixels show on the window as grey value / 256; lit pixels are not redrawn, and the
// canvas keeps the filled ones empty.
TEST_F(SaveImageTest, FilledPixelsAppearOnTheWindowOnly) {
    xs = ys = 512;
    ASSERT_TRUE(PlatformTest::OpenWindow(xs, ys + vertical_padding));
    ShowCanvasOnWindow();
    arr[99][50] = 30000;
    arr[101][50] = 10000;
    arr[101][51] = 20000;  // lit, with a lit neighbour: its own blend would not be 0
    const bool saved = SaveImageCommand();
    auto grey = [](int x, int y) { return PlatformTest::ScreenGrey(x, y + vertical_padding); };
    const int filled = grey(100, 50), beside = grey(102, 50), lit = grey(101, 51);
    PlatformTest::CloseWindow();
    canvas_view = CanvasView{};
    EXPECT_TRUE(saved);
    EXPECT_EQ(filled, 20000 / 256);
    EXPECT_EQ(beside, 10000 / 256);
    EXPECT_EQ(lit, 0);
    EXPECT_EQ(arr[100][50], 0);
    EXPECT_EQ(arr[102][50], 0);
}

// The window takes its snapshot into memory made ahead, with the pages of fewer values ready than
// it holds; memory made for another canvas size is not used for this one.
TEST_F(SaveImageTest, ASnapshotInMemoryMadeAheadSavesTheSame) {
    Noise(3);
    const auto image_data = [&](CanvasSnapshot memory) {
        EXPECT_TRUE(WriteImage(png.string(), TakeSnapshot(std::move(memory))).saved);
        return ReadAll(png);
    };
    const std::string fresh = image_data({});
    EXPECT_EQ(image_data(SnapshotMemory(xs, ys, 1000)), fresh);
    EXPECT_EQ(image_data(SnapshotMemory(xs, ys - 70, 0)), fresh);
    EXPECT_EQ(image_data(SnapshotMemory(xs + 1, ys, 0)), fresh);
}

// A background save fills from its snapshot; a pixel lit on the canvas since then keeps what the
// growth drew there, and only pixels still empty show the fill.
TEST_F(SaveImageTest, AFillNeverCoversAPixelLitSinceTheSnapshot) {
    xs = ys = 512;
    ASSERT_TRUE(PlatformTest::OpenWindow(xs, ys + vertical_padding));
    ShowCanvasOnWindow();
    arr[99][50] = 30000;
    arr[101][50] = 10000;
    const CanvasSnapshot snapshot = TakeSnapshot();
    const SaveResult result = WriteImage(png.string(), snapshot);
    arr[100][50] = 50000;
    ShowPixel(100, 50, 50000);
    ShowFilledPixels(snapshot, 0, snapshot.height);
    auto grey = [](int x, int y) { return PlatformTest::ScreenGrey(x, y + vertical_padding); };
    const int drawn = grey(100, 50), filled = grey(98, 50);
    PlatformTest::CloseWindow();
    canvas_view = CanvasView{};
    EXPECT_TRUE(result.saved);
    EXPECT_EQ(drawn, 50000 / 256);
    EXPECT_EQ(filled, 30000 / 256);
}

}  // namespace
