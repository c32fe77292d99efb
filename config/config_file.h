// SPDX-License-Identifier: MIT
// ConfigFile: reads a text file of "key = value" lines into memory once, then hands out values by
// key, converted to the type of the caller's variable. The parser is operator>> in
// config_file.cpp; the conversions are the string_as_T specialisations below it.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

class ConfigFile {
public:
    // Thrown by value when the constructor cannot read the file; `filename` is the name as given.
    // `reason` is empty for a missing file, else it says why the file was not read (a FIFO or
    // device, a file larger than MAX_BYTES, a read error).
    struct file_not_found {
        std::string filename;
        std::string reason;
    };
    // The largest settings file read: the program writes a few hundred bytes, and even a file
    // of long hand-written lines is far below this.
    static constexpr std::uint64_t MAX_BYTES = 64u << 20;

    std::string delimiter;                        // separator between key and value
    std::string comment;                          // the marker and the rest of its line are ignored
    std::string sentry;                           // a line containing it ends reading; "" = none
    std::map<std::string, std::string> contents;  // trimmed key -> trimmed value, as text

    // Something in the text that the reader passed over or replaced, with the line (from 1) where
    // it stands. The entries read are the same with or without them.
    struct Problem {
        int line;
        std::string text;
    };
    // Where each key of `contents` was read: the line number of its (last) key line.
    std::map<std::string, int> key_lines;
    // Lines with text but no delimiter (ignored) and keys given again (the later value kept).
    std::vector<Problem> problems;

    // What trim removes at both ends: space, line feed, tabs, carriage return, form feed.
    static const std::string whitespace;

    // No file: delimiter "=", comment marker "#", no sentry, nothing stored.
    ConfigFile();
    // Reads the whole file; throws file_not_found when it cannot be read.
    ConfigFile(const std::string& filename, std::string delimiter, std::string comment,
               std::string sentry);

    // Assigns the value stored under `key` (exact byte match) to `var` and returns true; returns
    // false and leaves `var` alone when the key is absent.
    template <class T>
    bool readInto(T& var, const std::string& key) const {
        const auto entry = contents.find(key);
        if (entry == contents.end()) return false;
        var = string_as_T<T>(entry->second);
        return true;
    }

    // Converts stored text to T (std::string, bool, float or int). Never fails: text that holds
    // no number gives 0, a number too large for the type gives its largest or lowest finite
    // value, and a float too close to zero gives zero.
    template <class T>
    static T string_as_T(const std::string& text);

    // Removes leading and trailing whitespace in place.
    static void trim(std::string& text);
    // The text for a one-line message: in double quotes, a line feed as \n and any other control
    // byte as \xNN.
    static std::string quoted(const std::string& text);

    bool keyExists(const std::string& key) const { return contents.count(key) != 0; }
    void remove(const std::string& key) { contents.erase(key); }
};

template <>
std::string ConfigFile::string_as_T<std::string>(const std::string& text);
template <>
bool ConfigFile::string_as_T<bool>(const std::string& text);
template <>
int ConfigFile::string_as_T<int>(const std::string& text);
template <>
float ConfigFile::string_as_T<float>(const std::string& text);

// Writes every entry in key order as "key = value" lines (with the object's delimiter).
std::ostream& operator<<(std::ostream& out, const ConfigFile& config);
// Parses `in` and adds its entries to `config`, later keys replacing earlier values.
std::istream& operator>>(std::istream& in, ConfigFile& config);
