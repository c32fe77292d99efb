// SPDX-License-Identifier: MIT
// The parser: argv[1] names the subcommand, and every later word is one of its options (with its
// value as the next word or after '='), or an operand. Each option's setter checks its value;
// what is left are the few rules between options, checked here once all are read.
#include <cstring>
#include <string_view>
#include <vector>

#include "render/cli/command_line.h"

namespace {

// The containers a video can be written in, picked by the file's extension.
bool KnownVideoExtension(const std::string& path) {
    const auto dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] != '.') return false;
    const std::string ext = path.substr(dot);
    return ext == ".mp4" || ext == ".mkv" || ext == ".webm" || ext == ".gif";
}

// The rules between options of one subcommand; sets `error` when one is broken.
void CheckCombination(const CommandLine& c, std::string& error) {
    const RenderOptions& o = c.options;
    const bool targeting = o.target != RenderOptions::Target::LastSave;
    const bool print = !o.size.empty() || !o.paper.empty() || o.margin || o.pen || o.dpi ||
                       o.plot || o.as_shown || o.plot_shaped();
    if (o.frames && o.lit) {
        error = "--frames and --lit cannot be used together";
    } else if (o.list && (targeting || o.output_given || o.video_wanted() || print || o.thumb)) {
        error = "--list only prints the session's saves and restarts; it writes nothing";
    } else if (o.mode == RenderOptions::Mode::Grid && o.vary.empty()) {
        error = "grid needs --vary KEY=FROM..TO:COUNT, once or twice";
    } else if (o.mode == RenderOptions::Mode::History && o.dir_given && !o.gallery) {
        error = "--dir is where --gallery writes; add --gallery";
    } else if (!o.video.empty() && !o.frames_dir.empty()) {
        error = "choose one of --video and --frames-dir";
    } else if (!o.video.empty() && !KnownVideoExtension(o.video)) {
        error = "--video " + o.video + ": name a .mp4, .mkv, .webm or .gif file";
    } else if (o.video_size > 0 && o.video.empty()) {
        error = "--video-size goes with --video";
    }
}

// Takes one operand of the subcommand.
bool ReadOperand(const char* word, int& operands, CommandLine& c, std::string& error) {
    const SubcommandRow& sub = *c.sub;
    if (sub.max_operands >= 0 && operands >= sub.max_operands) {
        error = sub.max_operands == 0
                    ? std::string(sub.name) + " takes no file or value: '" + word + "'"
                    : std::string(sub.name) + " takes one " + sub.operands + ", not also '" + word +
                          "'";
        return false;
    }
    ++operands;
    return sub.operand(word, c.options, error);
}

// Takes the option argv[i], with its value after '=' or as the next word (moving i past it).
bool ReadOption(int argc, char** argv, int& i, CommandLine& c, std::string& error) {
    const std::string_view word = argv[i];
    const auto eq = word.find('=');
    const std::string_view name = word.substr(0, eq);
    const OptionRow* option = FindOption(*c.sub, name);
    if (!option) {
        error = std::string(c.sub->name) + " has no option '" + std::string(name) + "'";
        return false;
    }
    const char* text = nullptr;
    if (option->value && eq != std::string_view::npos) {
        text = argv[i] + eq + 1;
    } else if (option->value) {
        if (i + 1 >= argc) {
            error = "option " + std::string(name) + " needs a value (" + option->value + ")";
            return false;
        }
        text = argv[++i];
    } else if (eq != std::string_view::npos) {
        error = "option " + std::string(name) + " takes no value";
        return false;
    }
    return option->set(OptionValue{name, text, error}, c.options);
}

// Reads the options and operands after the subcommand's name; "--" ends the options.
bool ReadArguments(int argc, char** argv, CommandLine& c, std::string& error) {
    int operands = 0;
    bool options_end = false;
    for (int i = 2; i < argc; ++i) {
        const std::string_view word = argv[i];
        bool ok = true;
        if (!options_end && word == "--") {
            options_end = true;
        } else if (options_end || word.empty() || word[0] != '-' || word == "-") {
            ok = ReadOperand(argv[i], operands, c, error);
        } else if (word == "--help" || word == "-h") {
            c.ask = CommandLine::Ask::Help;
            return true;
        } else {
            ok = ReadOption(argc, argv, i, c, error);
        }
        if (!ok) return false;
    }
    if (operands >= c.sub->min_operands) return true;
    error = std::string(c.sub->name) + " needs " + c.sub->operands;
    return false;
}

// The value after an old-form flag, or empty.
std::string FlagValue(const std::vector<std::string>& words, std::size_t i) {
    return i + 1 < words.size() ? words[i + 1] : std::string();
}

// The old form (the job chosen by a flag: --replay LOG, --from FILE, --history, --sweep A..B,
// --vary, or files with --sheet or --gallery) said as the new one.
std::string NewForm(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc), rest;
    std::string sub = "render", operand;
    bool files = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w == "--replay" || w == "--from" || w == "--sweep") {
            sub = w.substr(2);
            operand = FlagValue(words, i++);
        } else if (w == "--history") {
            sub = "history";
        } else {
            if (w == "--vary" && sub == "render") sub = "grid";
            files = files || (!w.empty() && w[0] != '-' && (i == 0 || words[i - 1][0] != '-'));
            rest.push_back(w);
        }
    }
    if (files && sub == "render") {
        sub = "gallery";
        for (std::size_t i = 0; i + 1 < rest.size(); ++i)
            if (rest[i] == "--sheet") {
                sub = "sheet";
                rest[i] = "-o";
            }
        std::erase(rest, std::string("--gallery"));
    }
    std::string line = "morvane-render " + sub;
    if (!operand.empty()) line += " " + operand;
    for (const std::string& w : rest)
        line += " " + (w.find(' ') == std::string::npos ? w : "\"" + w + "\"");
    return line;
}

}  // namespace

std::optional<CommandLine> ParseCommandLine(int argc, char** argv, std::string& error) {
    CommandLine c;
    const std::string_view first = argc > 1 ? argv[1] : "";
    if (first == "--help" || first == "-h" || first == "help") {
        c.ask = CommandLine::Ask::Overview;
        // "help replay" is "replay --help".
        if (first == "help" && argc > 2 && (c.sub = FindSubcommand(argv[2])))
            c.ask = CommandLine::Ask::Help;
        return c;
    }
    if (first == "--version") {
        c.ask = CommandLine::Ask::Version;
        return c;
    }
    if (argc < 2) {
        error =
            "name what to do: morvane-render render, replay, from, history, sweep, grid, "
            "sheet or gallery";
        return std::nullopt;
    }
    c.sub = FindSubcommand(first);
    if (!c.sub && !first.empty() && first[0] == '-') {
        error = "the job is a subcommand now: " + NewForm(argc, argv);
        return std::nullopt;
    }
    if (!c.sub) {
        error = "no subcommand '" + std::string(first) + "'";
        return std::nullopt;
    }
    c.options.mode = c.sub->mode;
    if (c.sub->mode == RenderOptions::Mode::Sheet) c.options.sheet = "sheet.png";
    if (!ReadArguments(argc, argv, c, error)) return std::nullopt;
    if (c.ask == CommandLine::Ask::Run) CheckCombination(c, error);
    if (!error.empty()) return std::nullopt;
    return c;
}
