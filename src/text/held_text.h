#ifndef PAGETALLY_TEXT_HELD_TEXT_H
#define PAGETALLY_TEXT_HELD_TEXT_H

// A text held in memory, read as a file is.

#include "text/text_reader.h"

#include <cstddef>

struct held_text {
    const char* text;
    std::size_t size;
    std::size_t at; // the bytes read so far
};

text_source text_of_held(held_text& held);

#endif
