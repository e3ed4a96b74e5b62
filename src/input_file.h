#ifndef PAGETALLY_INPUT_FILE_H
#define PAGETALLY_INPUT_FILE_H

#include <cstdio>

// Opens the named file for reading as raw bytes ("rb"). Returns nullptr when it cannot be opened
// or is a directory (some systems open a directory and fail only on the first read). Call it
// once per run: every stream it opens reads through the same static buffer.
std::FILE* open_input(const char* name);

#endif
