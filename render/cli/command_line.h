// SPDX-License-Identifier: MIT
// Reading morvane-render's command line, "morvane-render SUBCOMMAND [OPTIONS] [OPERANDS]", into
// the subcommand and its options; and the texts made from the same tables: --help, each
// subcommand's help, and the man page's sections.
#pragma once

#include <optional>
#include <string>

#include "render/cli/table.h"

struct CommandLine {
    // Run the subcommand; or print the list of subcommands, one subcommand's help, the version.
    enum class Ask { Run, Overview, Help, Version };
    Ask ask = Ask::Run;
    const SubcommandRow* sub = nullptr;
    RenderOptions options;
};

// On a usage error returns nothing and puts one line saying what is wrong in `error`; a command
// line of the form before subcommands gets the same command in the new form.
std::optional<CommandLine> ParseCommandLine(int argc, char** argv, std::string& error);

// morvane-render --help: the subcommands, a line each.
std::string OverviewText();
// morvane-render SUBCOMMAND --help: its synopsis, its options by group and its examples.
std::string SubcommandHelp(const SubcommandRow& sub);
// The man page's SYNOPSIS and SUBCOMMANDS sections, in roff.
std::string ManSections();
