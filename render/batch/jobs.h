// SPDX-License-Identifier: MIT
// The subcommands that make many pictures or pages of them: sweep and grid (rendered by several
// processes at once), sheet and gallery (of files made earlier). Each returns the exit code.
#pragma once

#include "render/cli/options.h"

// sweep A..B and grid --vary ...: one picture per seed or per value, then the sheet and gallery
// asked for.
int SweepCommand(const RenderOptions& o);
int SheetCommand(const RenderOptions& o);
int GalleryCommand(const RenderOptions& o);
