// SPDX-License-Identifier: MIT
// What a saver hands back: whether the file was written and, when not, why.
#pragma once

#include <string>

struct SaveResult {
    bool saved = false;
    // The cause of a failure, for the log and the panel. After a successful save a non-empty
    // reason is a warning for the log (the file is written but may not be on disk yet).
    std::string reason;
};
