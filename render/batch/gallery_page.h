// SPDX-License-Identifier: MIT
// The gallery page's style sheet and script, the same on every page, and the escaping of every
// value the page shows.
#pragma once

#include <string>

const char* GalleryStyle();
const char* GalleryScript();
// `text` as HTML text or attribute value: & < > " and ' written as entities.
std::string HtmlEscape(const std::string& text);
