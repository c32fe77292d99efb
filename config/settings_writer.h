// Writes the current settings to defaults.cfg in the layout the reader takes back.
#pragma once

#include <string>

// The text of the settings file for the current settings.
std::string SettingsText();
// Writes SettingsText() to `path` safely (temporary file, then rename). A read-only file or
// folder is left untouched. Returns whether the file was written.
bool SaveDefaults(const char* path = "defaults.cfg");
