// SPDX-License-Identifier: MIT
// Hostile resource packages: huge manifests and images behind small archives, entries whose
// sizes lie, and the cost of many button loads from one package.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>
#include <zip.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "platform/internal.h"

namespace {

const std::string PATH = "package_test." + std::to_string(getpid()) + ".dpf";

// Writes a ZIP archive of these entries (deflated) to PATH.
void MakePackage(const std::map<std::string, std::string>& entries) {
    std::remove(PATH.c_str());
    int code = 0;
    zip_t* archive = zip_open(PATH.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    ASSERT_NE(archive, nullptr);
    for (const auto& [name, data] : entries) {
        zip_source_t* source = zip_source_buffer(archive, data.data(), data.size(), 0);
        ASSERT_GE(zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE), 0);
    }
    ASSERT_EQ(zip_close(archive), 0);
    platform::ClosePackages();
}

std::string Png(int w, int h) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = w;
    png.height = h;
    png.format = PNG_FORMAT_RGBA;
    const std::string pixels(static_cast<size_t>(w) * h * 4, '\x80');
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&png, nullptr, &size, 0, pixels.data(), 0, nullptr);
    std::string bytes(size, '\0');
    png_image_write_to_memory(&png, bytes.data(), &size, 0, pixels.data(), 0, nullptr);
    return bytes;
}

class Package : public ::testing::Test {
protected:
    void TearDown() override {
        platform::ClosePackages();
        std::remove(PATH.c_str());
    }
    std::string error;
    platform::ButtonKind kind;
    platform::Image image;
};

// A manifest or an image far beyond what a button needs is refused from its header alone.
TEST_F(Package, RefusesHugeManifestsAndImages) {
    std::string manifest = "save push 2\n";
    manifest.resize(1 << 20, '\n');
    MakePackage({{"manifest", manifest}, {"save", Png(45, 36)}, {"wide", Png(65, 20)}});
    EXPECT_FALSE(platform::LookUpButton(PATH.c_str(), "save", kind, error));
    EXPECT_NE(error.find("1048576 bytes"), std::string::npos) << error;
    EXPECT_FALSE(platform::ReadButtonImage(PATH.c_str(), "wide", image, error));
    EXPECT_NE(error.find("65 x 20"), std::string::npos) << error;
    EXPECT_TRUE(image.rgba.empty());

    MakePackage({{"manifest", std::string(300, '\n') + "save push 2\n"}, {"tall", Png(64, 513)}});
    EXPECT_FALSE(platform::LookUpButton(PATH.c_str(), "save", kind, error));
    EXPECT_NE(error.find("256 lines"), std::string::npos) << error;
    EXPECT_FALSE(platform::ReadButtonImage(PATH.c_str(), "tall", image, error));
    EXPECT_NE(error.find("64 x 513"), std::string::npos) << error;

    std::map<std::string, std::string> many{{"manifest", "save push 2\n"}};
    for (int i = 0; i < 5000; ++i) many[std::to_string(i) + ".e"] = "";
    MakePackage(many);
    EXPECT_FALSE(platform::LookUpButton(PATH.c_str(), "save", kind, error));
    EXPECT_NE(error.find("5001 entries"), std::string::npos) << error;
}

// The archive is opened and the manifest read once: later loads use them even when the file has
// gone from the disk.
TEST_F(Package, IsOpenedAndParsedOnce) {
    MakePackage({{"manifest", "save push 2\nredo toggle 2\n"}, {"save", Png(45, 36)}});
    ASSERT_TRUE(platform::LookUpButton(PATH.c_str(), "save", kind, error)) << error;
    std::remove(PATH.c_str());
    ASSERT_TRUE(platform::LookUpButton(PATH.c_str(), "redo", kind, error)) << error;
    EXPECT_TRUE(kind.toggle);
    EXPECT_TRUE(platform::ReadButtonImage(PATH.c_str(), "save", image, error)) << error;
    EXPECT_EQ(image.h, 36);
}

// A packed entry whose headers give a larger or smaller unpacked size than its data (its CRC
// right) is named as such.
TEST_F(Package, NamesEntriesWhoseSizesLie) {
    for (const int delta : {+3, -3}) {
        const std::string data(1000, 'a');
        int code = 0;
        zip_t* archive = zip_open(PATH.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
        zip_source_t* source = zip_source_buffer(archive, data.data(), data.size(), 0);
        const zip_int64_t index = zip_file_add(archive, "manifest", source, 0);
        zip_set_file_compression(archive, index, ZIP_CM_DEFLATE, 0);
        ASSERT_EQ(zip_close(archive), 0);
        // Rewrite the unpacked size in the local and in the central header.
        std::ifstream in(PATH, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const uint32_t lie = static_cast<uint32_t>(data.size() + delta);
        for (const auto& [signature, offset] : {std::pair{"PK\x03\x04", 22}, {"PK\x01\x02", 24}}) {
            const size_t at = bytes.find(signature);
            ASSERT_NE(at, std::string::npos);
            std::memcpy(&bytes[at + offset], &lie, 4);
        }
        std::ofstream(PATH, std::ios::binary) << bytes;
        platform::ClosePackages();
        std::vector<std::uint8_t> read;
        EXPECT_FALSE(platform::ReadPackageEntry(PATH.c_str(), "manifest", read, error)) << delta;
        EXPECT_NE(error.find(delta > 0 ? "fewer" : "more"), std::string::npos) << error;
    }
}

}  // namespace
