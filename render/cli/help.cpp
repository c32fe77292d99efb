// SPDX-License-Identifier: MIT
// The help texts and the man page's generated sections, made from the subcommand and option
// tables: a new option appears in all three, or in none.
#include <initializer_list>
#include <string_view>

#include "render/cli/command_line.h"

namespace {

constexpr std::size_t WIDTH = 79;
constexpr std::size_t HELP_INDENT = 24;

// `text` as lines of at most WIDTH columns, the first starting at column `first`, each further
// line indented by `indent`.
std::string Wrap(std::string_view text, std::size_t first, std::size_t indent) {
    std::string out;
    std::size_t column = first;
    while (!text.empty()) {
        const std::size_t space = text.find(' ');
        const std::string_view word = text.substr(0, space);
        text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
        if (column > indent && column + 1 + word.size() > WIDTH) {
            out += "\n" + std::string(indent, ' ');
            column = indent;
        } else if (column > first || (column > indent && !out.empty())) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
    }
    return out;
}

std::string OptionName(const OptionRow& option) {
    std::string name = option.alias ? std::string(option.alias) + ", " + option.name : option.name;
    if (option.value) name += std::string(" ") + option.value;
    return name;
}

std::string Synopsis(const SubcommandRow& sub) {
    std::string line = std::string("morvane-render ") + sub.name;
    if (*sub.operands) line += std::string(" ") + sub.operands;
    return line + " [OPTIONS]";
}

// Roff escapes: a backslash is written twice and a minus as \-, so that man keeps option names
// whole and searchable; a line starting with a dot or quote would be a request.
std::string Roff(std::string_view text) {
    std::string out;
    for (const char ch : text) {
        if (ch == '\\')
            out += "\\\\";
        else if (ch == '-')
            out += "\\-";
        else
            out += ch;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

}  // namespace

std::string OverviewText() {
    std::string text =
        "usage: morvane-render SUBCOMMAND [OPTIONS]\n\n"
        "Renders morvane pictures without a window, with the window program's own growth\n"
        "pass: the same seed and settings give the same picture, sample for sample.\n\n";
    for (const SubcommandRow& sub : Subcommands()) {
        std::string name = std::string("  ") + sub.name + " " + sub.operands;
        name.resize(HELP_INDENT - 1, ' ');
        text += name + " " + Wrap(sub.summary, HELP_INDENT, HELP_INDENT) + "\n";
    }
    return text +
           "\n'morvane-render SUBCOMMAND --help' lists its options; 'man morvane-render' has\n"
           "them all, with the journal format and the exit codes (0 written, 1 failed and\n"
           "nothing written, 2 a usage error, 130 a sweep interrupted).\n"
           "'morvane-render --version' prints the version.\n";
}

std::string SubcommandHelp(const SubcommandRow& sub) {
    std::string text = "usage: " + Synopsis(sub) + "\n\n" + Wrap(sub.about, 0, 0) + "\n";
    for (const OptionGroup* group : sub.groups) {
        text += std::string("\n") + group->title + ":\n";
        for (const OptionRow& option : group->options) {
            std::string name = "  " + OptionName(option);
            if (name.size() < HELP_INDENT - 1)
                name.resize(HELP_INDENT, ' ');
            else
                name += "\n" + std::string(HELP_INDENT, ' ');
            text += name + Wrap(option.help, HELP_INDENT, HELP_INDENT) + "\n";
        }
    }
    text += "\nExamples:\n";
    for (const char* example : sub.examples) text += std::string("  ") + example + "\n";
    return text;
}

std::string ManSections() {
    std::string roff;
    // Appending piece by piece: GCC 12 warns wrongly (-Wrestrict) on "text" + std::string&&.
    const auto add = [&roff](std::initializer_list<std::string_view> parts) {
        for (const std::string_view part : parts) roff += part;
    };
    add({".SH SYNOPSIS\n"});
    for (const SubcommandRow& sub : Subcommands()) {
        add({".B morvane\\-render ", Roff(sub.name), "\n"});
        if (*sub.operands) add({".I ", Roff(sub.operands), "\\&\n"});
        add({".RI [ OPTIONS ]\n.br\n"});
    }
    add({".SH SUBCOMMANDS\n"});
    for (const SubcommandRow& sub : Subcommands()) {
        add({".SS \"", Roff(Synopsis(sub)), "\"\n", Roff(sub.about), "\n"});
        for (const OptionGroup* group : sub.groups) {
            add({".PP\n.I ", Roff(group->title), "\n"});
            for (const OptionRow& option : group->options) {
                std::string names = option.alias ? std::string(option.alias) + ", " : "";
                names += option.name;
                names = Roff(names);
                if (option.value)
                    add({".TP\n.BI \"", names, " \" ", Roff(option.value), "\n"});
                else
                    add({".TP\n.B ", names, "\n"});
                add({Roff(option.help), "\n"});
            }
        }
        add({".PP\nFor example:\n.PP\n.RS\n.EX\n"});
        for (const char* example : sub.examples) add({Roff(example), "\n"});
        add({".EE\n.RE\n"});
    }
    return roff;
}
