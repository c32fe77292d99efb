// SPDX-License-Identifier: MIT
// Finding and recovering kept sessions: the window program's history folder (listed newest
// first, named @last, @2, ...), the events of a journal that make pictures, and a contact sheet
// of the pictures the newest sessions kept.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/cli/options.h"
#include "render/session/replay.h"

// A session's journal, checked, with the events that make pictures.
struct SessionRecord {
    Journal journal;
    std::vector<journal::Entry> marks;  // each restart, save and end, in order
    std::uint64_t frames = 0;           // the stamp of the last event
    int restarts = 0, saves = 0;        // restarts requested, images saved
    bool ended = false;                 // the program quit (it was not killed)
};

// Reads the journal of a session file or a morvane.log. A last line without its line feed was
// being written when the program was killed: it is left out, with a note on standard error
// unless `quiet`. Errors name the file.
bool LoadSession(const std::string& path, SessionRecord& session, bool quiet, std::string& error);
// The file of "@last" or "@N" (the N-th newest kept session); any other name is a path.
bool ResolveSession(const std::string& name, std::string& path, std::string& error);
// The frame at which the K-th restart (from 1) was requested: the canvas after that many frames
// is the picture the restart cleared.
bool RestartFrame(const SessionRecord& session, std::uint64_t k, std::uint64_t& frame,
                  std::string& error);

// history: prints the kept sessions newest first. Returns the exit code.
int ListHistory();
// replay --list: prints each save and restart of the journal with its frame.
void ListEvents(const SessionRecord& session);
// history --sheet: a contact sheet of the pictures the newest sessions kept (each one's last
// save, else its end), labelled with their start time and seed. Returns the exit code.
int HistorySheet(const RenderOptions& options);
// The history subcommand: the list, or the sheet and gallery. Returns the exit code.
int HistoryCommand(const RenderOptions& options);
