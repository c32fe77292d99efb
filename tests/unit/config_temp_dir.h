// SPDX-License-Identifier: MIT
// A scratch folder per test for the settings-file tests, removed afterwards, and small helpers
// to write and read whole files there as bytes.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/settings.h"
#include "test_files.h"

class ConfigTempDir : public ::testing::Test {
protected:
    std::filesystem::path dir;

    void SetUp() override {
        // Parameterised test names hold "/"; the folder is one level all the same.
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : name)
            if (c == '/') c = '_';
        dir = std::filesystem::temp_directory_path() /
              ("morvane_config_" + std::to_string(getpid()) + "_" + name);
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        ResetSettings();
    }
    void TearDown() override {
        ResetSettings();
        std::filesystem::permissions(dir, std::filesystem::perms::owner_all);
        std::filesystem::remove_all(dir);
    }

    std::string Path(const std::string& name) const { return (dir / name).string(); }

    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
        return Path(name);
    }

    static std::string Read(const std::string& path) { return ReadFile(path); }
};
