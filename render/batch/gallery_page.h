// SPDX-License-Identifier: MIT
// The gallery page's style sheet and script, the same on every page.
#pragma once

const char* GalleryStyle();
const char* GalleryScript();
