#ifndef PAGETALLY_PLATFORM_H
#define PAGETALLY_PLATFORM_H

#include <cstdio>
#include <string>
#include <vector>

// The platform edge: how the program takes its arguments, opens its input and shows messages.
// Everything that differs between Linux and Windows lies behind these functions; the text they
// take and give is UTF-8 on Windows and bytes as given on Linux.

// The command line's arguments, the program's name first. On Windows they come from the UTF-16
// command line, converted to UTF-8, so no argument passes through the ANSI code page.
std::vector<std::string> program_arguments(int argc, char** argv);

// Opens the named file for reading as raw bytes ("rb"). Returns nullptr when it cannot be opened
// or is a directory (some systems open a directory and fail only on the first read). Call it
// once per run: every stream it opens reads through the same static buffer.
std::FILE* open_input(const char* name);

// Writes `text` and a newline to `out`. On a Windows console it goes out as UTF-16 text, so the
// console shows every character whatever its code page; elsewhere as the bytes of `text`.
// Returns false if the text could not be written.
bool write_line(std::FILE* out, const std::string& text);

#endif
