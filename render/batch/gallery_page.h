// SPDX-License-Identifier: MIT
// The gallery page's style sheet and script, the same on every page, and the escape of every
// value a page of ours shows (the web page of a picture too).
#pragma once

#include <string>

const char* GalleryStyle();
const char* GalleryScript();
// The text with & < > " ' written as character references, for element text and attribute values.
std::string EscapeHtml(const std::string& text);
