// The time-lapse encoder. One frame buffer the size of the canvas is all it holds: each taken
// frame is built from the grid and sent to ffmpeg at once, which writes a temporary file that
// replaces the target only when the encoder has finished cleanly.
#include "render/video.h"

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
#include "engine/canvas.h"
#include "engine/settings.h"
#include "render/session.h"

extern char** environ;

namespace {

struct Video {
    int every = 1;
    std::uint64_t taken = 0;
    std::vector<std::uint8_t> frame;
    // The encoder, or the frames folder.
    pid_t encoder = -1;
    int pipe = -1;
    std::string target, temporary, frames_dir;
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
    for (int y = 0; y < ys; ++y)
        for (int x = 0; x < xs; ++x) *out++ = DisplayGrey(arr[x][y]);
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
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

bool StartEncoder(const RenderOptions& o, std::string& error) {
    const std::string ffmpeg = FindInPath("ffmpeg");
    if (ffmpeg.empty()) {
        error = "--video needs ffmpeg, which is not installed (Debian: apt-get install ffmpeg)";
        return false;
    }
    video.target = o.video;
    video.temporary = o.video + ".part-" + std::to_string(getpid());
    const std::string size = std::to_string(xs) + "x" + std::to_string(ys);
    const std::string fps = std::to_string(o.fps);
    // H.264 wants even sizes: an odd canvas gets one black column or row.
    const char* argv[] = {ffmpeg.c_str(),
                          "-v",
                          "error",
                          "-y",
                          "-f",
                          "rawvideo",
                          "-pix_fmt",
                          "gray",
                          "-s",
                          size.c_str(),
                          "-r",
                          fps.c_str(),
                          "-i",
                          "-",
                          "-vf",
                          "pad=ceil(iw/2)*2:ceil(ih/2)*2",
                          "-c:v",
                          "libx264",
                          "-preset",
                          "veryfast",
                          "-crf",
                          "18",
                          "-pix_fmt",
                          "yuv420p",
                          "-movflags",
                          "+faststart",
                          "-f",
                          "mp4",
                          video.temporary.c_str(),
                          nullptr};
    int fds[2];
    if (::pipe(fds) != 0) {
        error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    const int rc = posix_spawn(&video.encoder, ffmpeg.c_str(), &actions, nullptr,
                               const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    if (rc != 0) {
        close(fds[1]);
        error = std::string("cannot start ffmpeg: ") + std::strerror(rc);
        return false;
    }
    video.pipe = fds[1];
    // A dead encoder must fail the write, not end this program. signal cannot fail for SIGPIPE.
    (void)signal(SIGPIPE, SIG_IGN);
    return true;
}

}  // namespace

bool StartVideo(const RenderOptions& o, std::string& error) {
    video = Video{};
    video.every = o.every;
    video.frame.assign(static_cast<std::size_t>(xs) * ys, 0);
    if (!o.frames_dir.empty()) {
        video.frames_dir = o.frames_dir;
        if (mkdir(o.frames_dir.c_str(), 0777) != 0 && errno != EEXIST) {
            error = o.frames_dir + ": " + std::strerror(errno);
            return false;
        }
    } else if (!StartEncoder(o, error)) {
        return false;
    }
    frame_observer = TakeFrame;
    return true;
}

unsigned long long VideoFramesTaken() {
    return video.taken;
}

bool FinishVideo(std::string& error) {
    frame_observer = nullptr;
    if (!video.frames_dir.empty()) {
        if (video.failed) error = video.reason;
        return !video.failed;
    }
    close(video.pipe);
    int status = 0;
    waitpid(video.encoder, &status, 0);
    const bool encoded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!video.failed && !encoded) video.reason = "ffmpeg failed to encode the video";
    if (video.failed || !encoded || rename(video.temporary.c_str(), video.target.c_str()) != 0) {
        error = video.target + ": " +
                (video.failed || !encoded ? video.reason : std::string(std::strerror(errno)));
        unlink(video.temporary.c_str());
        return false;
    }
    return true;
}
