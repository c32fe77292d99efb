// SPDX-License-Identifier: MIT
// DeflateStream: parts handed over one at a time, deflated on threads of their own, join into one
// zlib stream that inflates to the whole input, whatever the part sizes and thread count.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "export/parallel_deflate.h"

namespace {

// Inflates a whole zlib stream; fails the test when it is not one (a bad join, a wrong Adler-32,
// a missing end) or does not end where the bytes do.
std::string Inflated(const std::vector<unsigned char>& stream) {
    z_stream z{};
    EXPECT_EQ(inflateInit(&z), Z_OK);
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = static_cast<uInt>(stream.size());
    std::string out;
    int rc = Z_OK;
    while (rc == Z_OK) {
        unsigned char chunk[1 << 14];
        z.next_out = chunk;
        z.avail_out = sizeof chunk;
        rc = inflate(&z, Z_NO_FLUSH);
        out.append(reinterpret_cast<char*>(chunk), sizeof chunk - z.avail_out);
    }
    EXPECT_EQ(rc, Z_STREAM_END);
    EXPECT_EQ(z.avail_in, 0u) << "bytes after the stream's end";
    inflateEnd(&z);
    return out;
}

// Text like a PDF's content, repetitive enough that each part's dictionary matters.
std::string Text(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::string text;
    while (text.size() < size)
        text += std::to_string(rng() % 1000) + "." + std::to_string(rng() % 10) + " l\n";
    text.resize(size);
    return text;
}

TEST(DeflateStream, PartsJoinIntoOneStreamOfTheWholeInput) {
    for (const int threads : {1, 3}) {
        std::vector<unsigned char> stream;
        DeflateStream deflate(Z_BEST_SPEED, Z_DEFAULT_STRATEGY, threads,
                              [&](const unsigned char* data, std::size_t size) {
                                  stream.insert(stream.end(), data, data + size);
                                  return true;
                              });
        std::string whole;
        // Parts smaller and larger than the 32 KiB dictionary, and an empty one.
        for (const std::size_t size : {100u, 70000u, 0u, 5u, 300000u, 40000u}) {
            const std::string part = Text(size, static_cast<unsigned>(size));
            whole += part;
            ASSERT_TRUE(deflate.Add(std::vector<unsigned char>(part.begin(), part.end())));
        }
        std::string reason;
        ASSERT_TRUE(deflate.Finish(reason)) << reason;
        EXPECT_EQ(deflate.written(), stream.size());
        EXPECT_EQ(Inflated(stream), whole) << threads << " threads";
    }
}

TEST(DeflateStream, NothingAddedIsAnEmptyStreamAndARefusedWriteFails) {
    std::vector<unsigned char> stream;
    DeflateStream empty(Z_BEST_SPEED, Z_DEFAULT_STRATEGY, 2,
                        [&](const unsigned char* data, std::size_t size) {
                            stream.insert(stream.end(), data, data + size);
                            return true;
                        });
    std::string reason;
    ASSERT_TRUE(empty.Finish(reason));
    EXPECT_EQ(Inflated(stream), "");

    DeflateStream refused(Z_BEST_SPEED, Z_DEFAULT_STRATEGY, 2,
                          [](const unsigned char*, std::size_t) { return false; });
    ASSERT_TRUE(refused.Add({'a', 'b'}));
    EXPECT_FALSE(refused.Finish(reason));
    EXPECT_FALSE(reason.empty());
}

}  // namespace
