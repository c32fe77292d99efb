// SPDX-License-Identifier: MIT
// The time-lapse encoder. One frame buffer the size of the video is all it holds: each taken
// frame is built from the grid (scaled down, each pixel the brightest of the block it covers, as
// the window shows a large canvas) and sent to ffmpeg at once, which writes a temporary file that
// replaces the target only when the encoder has finished cleanly.
#include "render/video/video.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <png++/png.hpp>
#include <vector>

#include "config/safe_write.h"
#include "config/write_all.h"
#include "engine/canvas.h"
#include "engine/frame.h"
#include "engine/settings.h"
#include "export/scale.h"
#include "render/session/session.h"

extern char** environ;

namespace {

struct Video {
    int every = 1;
    int width = 0, height = 0;  // of the video: the canvas, or scaled down to --video-size
    std::uint64_t taken = 0;
    std::vector<std::uint8_t> frame;
    // The encoder, or the frames folder.
    pid_t encoder = -1;
    int pipe = -1;
    std::string target, temporary, frames_dir;
    int temporary_fd = -1;  // held (and locked) until the rename
    bool failed = false;
    std::string reason;
};
Video video;

std::string FindInPath(const char* name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return "";
}

void BuildFrame() {
    std::uint8_t* out = video.frame.data();
    if (video.width != xs || video.height != ys) {
        ScaleBrightest([](int x, int y) { return DisplayGrey(arr[x][y]); }, xs, ys, out,
                       video.width, video.height, video.width);
        return;
    }
    for (int y = 0; y < ys; ++y)
        for (int x = 0; x < xs; ++x) *out++ = DisplayGrey(arr[x][y]);
}

// The encoder's options for the container the file's extension names (checked by the options).
// H.264 and VP9 want even sizes: an odd one gets one black column or row. A GIF gets a palette
// made from the whole clip, which for grey frames is the greys that occur.
std::vector<std::string> EncoderOptions(const std::string& path) {
    const std::string ext = path.substr(path.find_last_of('.'));
    const std::string pad = "pad=ceil(iw/2)*2:ceil(ih/2)*2";
    if (ext == ".gif")
        return {"-vf", "split[a][b];[a]palettegen=reserve_transparent=0[p];[b][p]paletteuse", "-f",
                "gif"};
    if (ext == ".webm")
        return {"-vf",       pad,  "-c:v",     "libvpx-vp9", "-b:v",      "0",
                "-crf",      "32", "-row-mt",  "1",          "-deadline", "good",
                "-cpu-used", "5",  "-pix_fmt", "yuv420p",    "-f",        "webm"};
    return {"-vf",  pad,  "-c:v",     "libx264", "-preset", "veryfast",
            "-crf", "18", "-pix_fmt", "yuv420p", "-f",      ext == ".mkv" ? "matroska" : "mp4"};
}

// Most players take H.264 up to level 4.2: at most 8192 macroblocks a frame, 522240 a second.
void WarnAboveLevel42(const std::string& path, int fps) {
    const std::string ext = path.substr(path.find_last_of('.'));
    if (ext != ".mp4" && ext != ".mkv") return;
    const long blocks = static_cast<long>((video.width + 15) / 16) * ((video.height + 15) / 16);
    if (blocks <= 8192 && blocks * fps <= 522240) return;
    std::fprintf(stderr,
                 "morvane-render: a %d x %d H.264 video is above level 4.2, which many players "
                 "refuse; --video-size 1440 plays on them\n",
                 video.width, video.height);
}

void WriteFramePng() {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06llu.png",
                  static_cast<unsigned long long>(video.taken));
    png::image<png::gray_pixel> image(static_cast<png::uint_32>(xs), static_cast<png::uint_32>(ys));
    for (int y = 0; y < ys; ++y)
        for (int x = 0; x < xs; ++x)
            image[y][x] = video.frame[static_cast<std::size_t>(y) * xs + x];
    std::string reason;
    if (!WriteFileSafely(
            video.frames_dir + name, [&](std::ostream& o) { image.write_stream(o); }, reason)) {
        video.failed = true;
        video.reason = video.frames_dir + name + ": " + reason;
    }
}

void TakeFrame() {
    if (video.failed || FramesRendered() % static_cast<std::uint64_t>(video.every) != 0) return;
    BuildFrame();
    ++video.taken;
    if (!video.frames_dir.empty()) return WriteFramePng();
    if (!WriteAll(video.pipe, video.frame.data(), video.frame.size())) {
        video.failed = true;
        video.reason = "ffmpeg stopped taking frames";
    }
}

// Removes the temporary file of a video that will not be made; false, for the caller to return.
bool DropTemporary() {
    close(video.temporary_fd);
    unlink(video.temporary.c_str());
    video.temporary_fd = -1;
    return false;
}

// ffmpeg's command line: raw grey frames of the video's size on its standard input, encoded as
// the target's extension says into the temporary file.
std::vector<std::string> EncoderArguments(const std::string& ffmpeg, const RenderOptions& o) {
    const std::string size = std::to_string(video.width) + "x" + std::to_string(video.height);
    std::vector<std::string> args = {ffmpeg,     "-v",   "error", "-y", "-f", "rawvideo",
                                     "-pix_fmt", "gray", "-s",    size, "-r", std::to_string(o.fps),
                                     "-i",       "-"};
    for (std::string& option : EncoderOptions(o.video)) args.push_back(std::move(option));
    if (args.back() == "mp4") args.insert(args.end() - 2, {"-movflags", "+faststart"});
    // ffmpeg reads a name as an option when it starts with "-" and as a protocol when it has a
    // colon: "file:" and a path that starts with "/" or "./" is only ever a file.
    args.push_back("file:" +
                   (video.temporary[0] == '/' ? video.temporary : "./" + video.temporary));
    return args;
}

// Starts ffmpeg with `args` reading the frames from a pipe; false with the reason.
bool SpawnEncoder(const std::string& ffmpeg, std::vector<std::string>& args, std::string& error) {
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int fds[2];
    if (::pipe(fds) != 0) {
        error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    const int rc =
        posix_spawn(&video.encoder, ffmpeg.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    if (rc != 0) {
        close(fds[1]);
        error = std::string("cannot start ffmpeg: ") + std::strerror(rc);
        return false;
    }
    video.pipe = fds[1];
    return true;
}

bool StartEncoder(const RenderOptions& o, std::string& error) {
    const std::string ffmpeg = FindInPath("ffmpeg");
    if (ffmpeg.empty()) {
        error = "--video needs ffmpeg, which is not installed (Debian: apt-get install ffmpeg)";
        return false;
    }
    // The target is checked as every save checks it (no FIFO, device or folder is replaced), and
    // ffmpeg writes a temporary file of the savers' pattern, which a later save cleans up should
    // this run be killed.
    video.target = o.video;
    video.temporary_fd = CreateTemporaryBeside(o.video, video.temporary, error);
    if (video.temporary_fd < 0) {
        error = o.video + ": " + error;
        return false;
    }
    std::vector<std::string> args = EncoderArguments(ffmpeg, o);
    WarnAboveLevel42(o.video, o.fps);
    if (!SpawnEncoder(ffmpeg, args, error)) return DropTemporary();
    // A dead encoder must fail the write, not end this program. signal cannot fail for SIGPIPE.
    (void)signal(SIGPIPE, SIG_IGN);
    return true;
}

}  // namespace

bool StartVideo(const RenderOptions& o, std::string& error) {
    video = Video{};
    video.every = o.every;
    video.width = xs;
    video.height = ys;
    if (o.video_size > 0 && std::max(xs, ys) > o.video_size) {
        video.width = std::max(
            1, static_cast<int>(static_cast<long long>(xs) * o.video_size / std::max(xs, ys)));
        video.height = std::max(
            1, static_cast<int>(static_cast<long long>(ys) * o.video_size / std::max(xs, ys)));
    }
    video.frame.assign(static_cast<std::size_t>(video.width) * video.height, 0);
    if (!o.frames_dir.empty()) {
        video.frames_dir = o.frames_dir;
        if (mkdir(o.frames_dir.c_str(), 0777) != 0 && errno != EEXIST) {
            error = o.frames_dir + ": " + std::strerror(errno);
            return false;
        }
    } else if (!StartEncoder(o, error)) {
        return false;
    }
    SetFrameObserver(TakeFrame);
    return true;
}

unsigned long long VideoFramesTaken() {
    return video.taken;
}

bool FinishVideo(std::string& error) {
    SetFrameObserver(nullptr);
    if (!video.frames_dir.empty()) {
        if (video.failed) error = video.reason;
        return !video.failed;
    }
    close(video.pipe);
    int status = 0;
    waitpid(video.encoder, &status, 0);
    const bool encoded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!video.failed && !encoded) video.reason = "ffmpeg failed to encode the video";
    if (video.failed || !encoded) {
        error = video.target + ": " + video.reason;
        return DropTemporary();
    }
    std::string reason;
    const bool replaced = ReplaceSafely(video.temporary_fd, video.temporary, video.target, reason);
    video.temporary_fd = -1;
    if (!replaced)
        error = video.target + ": " + reason;
    else if (!reason.empty())
        std::fprintf(stderr, "morvane-render: %s: %s\n", video.target.c_str(), reason.c_str());
    return replaced;
}
