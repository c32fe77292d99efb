// SPDX-License-Identifier: MIT
// Reading a file the user named (a journal, a palette, a settings file, a PNG) with a bound on
// its size: a FIFO or device is refused without waiting for a writer or reading without end, and
// a file past the bound is refused with one clear reason instead of filling the memory.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

// "a FIFO", "a device node", "a socket" or "not a regular file": what a path that is not a
// regular file is, for messages.
const char* KindOf(mode_t mode);

// Opens `path` for reading when it is a regular file of at most `limit` bytes; returns its
// descriptor (close-on-exec), or -1 with the reason in `error`; errno is then ENOENT only for a
// missing file, so that a caller may tell that from the others.
int OpenBoundedInput(const std::string& path, std::uint64_t limit, std::string& error);
// Reads all of such a file into `text`; the bound holds even for a file that grows while read.
bool ReadBoundedInput(const std::string& path, std::uint64_t limit, std::string& text,
                      std::string& error);
