// SPDX-License-Identifier: MIT
// The command line as tables: each subcommand names its operands and the groups of options it
// takes; each option its name, its value, its help and how it sets RenderOptions. The parser,
// --help and the man page are all made from these tables, so they cannot disagree.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "render/cli/options.h"

// An option's value as given, for its setter; the setter puts one line in `error` when the
// value is wrong.
struct OptionValue {
    std::string_view option;  // as the user wrote it: "--seed" or "-o"
    const char* text;         // null for a flag
    std::string& error;
};

struct OptionRow {
    const char* name;   // "--seed"
    const char* alias;  // "-o", or null
    const char* value;  // the value's name in the help ("N"), or null for a flag
    const char* help;   // one paragraph; the help and the man page wrap it
    bool (*set)(const OptionValue& v, RenderOptions& o);
};

struct OptionGroup {
    const char* title;
    std::span<const OptionRow> options;
};

struct SubcommandRow {
    const char* name;
    RenderOptions::Mode mode;
    const char* operands;  // for the synopsis: "LOG|@N", "FILE..."; empty when none
    int min_operands, max_operands;
    // Takes one operand into the options; puts one line in `error` when it is wrong.
    bool (*operand)(const char* text, RenderOptions& o, std::string& error);
    const char* summary;  // one line for the list of subcommands
    const char* about;    // a paragraph for the subcommand's help and man page section
    std::span<const OptionGroup* const> groups;
    std::span<const char* const> examples;  // each one command line, run as written by a test
};

std::span<const SubcommandRow> Subcommands();
const SubcommandRow* FindSubcommand(std::string_view name);
// The option of `sub` named `name` (its long name or its alias), or null.
const OptionRow* FindOption(const SubcommandRow& sub, std::string_view name);
