// SPDX-License-Identifier: MIT
// sweep, grid, sheet and gallery. A sweep's child process renders one picture through
// RenderPicture, as a render does; the parent plans the pictures, skips those already made the
// same way, and lays out what is asked of them.
#include "render/batch/jobs.h"

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/journal.h"
#include "engine/settings.h"
#include "export/png_text.h"
#include "render/batch/gallery.h"
#include "render/batch/sheet.h"
#include "render/batch/sweep.h"
#include "render/out/palette.h"
#include "render/session/picture.h"
#include "render/session/session.h"

namespace {

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;
// Width of a contact sheet's tiles.
constexpr int SHEET_TILE = 256;

int Fail(const std::string& text) {
    std::fprintf(stderr, "morvane-render: %s\n", text.c_str());
    return EXIT_FAILED;
}

// A sweep's child renders one picture; the parent knows the job through these.
RenderOptions sweep_options;
PictureJob SweepJob(const SweepItem& item) {
    PictureJob job = JobOf(sweep_options, item.seed);
    job.output = item.file;
    job.label = item.label;
    job.quiet = true;
    for (const auto& [key, value] : item.values) {
        if (key == "white") job.white = value == "1";
        if (key == "fill-holes") job.fill_holes = value == "1";
    }
    return job;
}

// Gives the varied settings their values for one picture.
void ApplyVariation(const SweepItem& item) {
    for (const auto& [key, value] : item.values) {
        for (const SettingRow& row : settings_table) {
            if (key != row.key) continue;
            journal::Entry e;
            e.kind = journal::Kind::Set;
            e.value = value;
            journal::ApplySetting(row, e);
        }
    }
}

int RenderSweepItem(const SweepItem& item) {
    ApplyVariation(item);
    return RenderPicture(SweepJob(item));
}

// A picture of the sweep is done when its file is whole and says it was made the same way.
bool SweepItemDone(const SweepItem& item) {
    // A file cut short (a full disk, a copy broken off) is rendered again.
    if (!PngIsWhole(item.file)) return false;
    const std::string settings_before = ExactSettings();
    ApplyVariation(item);
    const PictureJob job = SweepJob(item);
    const bool same =
        MadeAs(item.file, {item.seed, GoalText(job), TogglesText(job), ExactSettings()});
    LoadSettingsText(settings_before);
    return same;
}

// A contact sheet's colour map (--palette), read before any picture renders; null for grey.
ColourMap sheet_colours;
bool LoadSheetColours(const RenderOptions& o, const ColourMap*& colours) {
    std::string error;
    colours = nullptr;
    if (o.palette.empty()) return true;
    if (!LoadColourMap(o.palette, sheet_colours, error)) {
        std::fprintf(stderr, "morvane-render: %s\n", error.c_str());
        return false;
    }
    colours = &sheet_colours;
    return true;
}

// The stop of a sweep's pictures as a folder name: "lit-25", "frames-600".
std::string StopName(const PictureJob& job) {
    char text[48];
    if (job.lit > 0)
        std::snprintf(text, sizeof text, "lit-%g", job.lit);
    else
        std::snprintf(text, sizeof text, "frames-%llu",
                      static_cast<unsigned long long>(job.frames));
    return text;
}

// What every picture of the sweep shares, as its folder's sweep.txt records it.
std::string SweepShared(const RenderOptions& o, const PictureJob& job) {
    std::string shared = "stop = " + GoalText(job) + "\n";
    if (!o.vary.empty()) shared += "seed = " + std::to_string(job.seed) + "\n";
    const std::string toggles = std::string("white = ") + (job.white ? "1" : "0") +
                                "\nfill-holes = " + (job.fill_holes ? "1" : "0") + "\n";
    return shared + SharedSettings(o, toggles + ExactSettings());
}

// The sheet and the gallery of a finished sweep.
int LayOut(const RenderOptions& o, const SweepPlan& plan, const std::string& folder,
           const ColourMap* colours) {
    std::vector<SheetTile> tiles;
    std::vector<std::string> files;
    for (const SweepItem& item : plan.items) {
        tiles.push_back({item.file, item.label});
        files.push_back(item.file);
    }
    std::string error;
    if (!o.sheet.empty() &&
        !BuildSheet(tiles, o.sheet, SHEET_TILE, plan.grid, o.quiet, error, colours))
        return Fail(error);
    if (o.gallery && !WriteGallery(files, folder, plan.grid, o.quiet, error)) return Fail(error);
    return 0;
}

}  // namespace

int SweepCommand(const RenderOptions& o) {
    const ColourMap* colours = nullptr;
    if (!LoadSheetColours(o, colours)) return EXIT_USAGE;
    if (!LoadPictureSettings(o)) return EXIT_FAILED;
    sweep_options = o;
    const PictureJob job = JobOf(o, o.vary.empty() ? 0 : PictureSeed(o));
    const std::string shared = SweepShared(o, job);
    const std::string folder = SweepFolder(o.dir, StopName(job), shared);
    SweepPlan plan;
    std::string error;
    if (!PlanSweep(o, job.seed, folder, plan, error)) return Fail(error);
    if (!o.sheet.empty() && !OutputWritable(o.sheet)) return EXIT_FAILED;
    if (!PrepareSweepFolder(folder, shared, error)) return Fail(error);
    if (!OutputWritable(plan.items.front().file)) return EXIT_FAILED;
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    const int jobs = o.jobs > 0 ? o.jobs : static_cast<int>(cores > 0 ? cores : 1);
    const int rc = RunSweep(plan.items, jobs, o.quiet, RenderSweepItem, SweepItemDone);
    if (!o.quiet) std::fprintf(stderr, "sweep: the pictures are in %s/\n", folder.c_str());
    return rc != 0 ? rc : LayOut(o, plan, folder, colours);
}

int SheetCommand(const RenderOptions& o) {
    const ColourMap* colours = nullptr;
    if (!LoadSheetColours(o, colours)) return EXIT_USAGE;
    if (!OutputWritable(o.sheet)) return EXIT_FAILED;
    std::vector<SheetTile> tiles;
    for (const std::string& f : o.files) tiles.push_back({f, ""});
    std::string error;
    if (!BuildSheet(tiles, o.sheet, SHEET_TILE, {}, o.quiet, error, colours)) return Fail(error);
    return 0;
}

// The page goes into --dir (made when missing), else beside the first file.
int GalleryCommand(const RenderOptions& o) {
    const auto slash = o.files.front().find_last_of('/');
    const std::string folder = o.dir_given                  ? o.dir
                               : slash == std::string::npos ? "."
                                                            : o.files.front().substr(0, slash);
    std::string error;
    if ((o.dir_given && !MakeFolder(folder, error)) ||
        !WriteGallery(o.files, folder, {}, o.quiet, error))
        return Fail(error);
    return 0;
}
