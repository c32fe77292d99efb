// SPDX-License-Identifier: MIT
// Reading a whole file as bytes: the one helper every test that looks at a written file uses.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

// The bytes of `path`, or "" when it cannot be read.
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}
