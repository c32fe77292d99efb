// SPDX-License-Identifier: MIT
// Taking a video's frames: --every N keeps one frame in N, as numbered PNGs in --frames-dir.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "config_temp_dir.h"
#include "render/cli/command_line.h"
#include "render/session/session.h"
#include "render/video/video.h"

using RenderVideo = ConfigTempDir;

TEST_F(RenderVideo, EveryThirdFrameIsTaken) {
    const std::string frames = Path("frames");
    const char* argv[] = {"morvane-render", "render",  "--frames-dir",
                          frames.c_str(),   "--every", "3"};
    std::string error;
    const auto c = ParseCommandLine(6, const_cast<char**>(argv), error);
    ASSERT_TRUE(c) << error;
    StartSession(1);
    ASSERT_TRUE(StartVideo(c->options, error)) << error;
    // Any nine frames in a row hold three whose number is a multiple of three.
    for (int i = 0; i < 9; ++i) RunFrame();
    ASSERT_TRUE(FinishVideo(error)) << error;
    EXPECT_EQ(VideoFramesTaken(), 3u);
    EXPECT_TRUE(std::filesystem::exists(frames + "/frame-000003.png"));
    EXPECT_FALSE(std::filesystem::exists(frames + "/frame-000004.png"));
}
