// SPDX-License-Identifier: MIT
// Paper sizes by name: the ISO A and B sizes people print on and the North American ones, in
// either orientation.
#pragma once

#include <string>

// The page `name` names, in mm: "A0" .. "A6", "B4", "B5", "Letter", "Legal" or "Tabloid" (any
// case) turned to match a canvas of xs x ys (landscape when it is wider than high), or with
// "-portrait" or "-landscape" after it, turned that way. False when it names no page we know.
bool NamedPage(const std::string& name, int xs, int ys, double& w, double& h);
// The names NamedPage takes, for a usage line.
const char* NamedPages();
