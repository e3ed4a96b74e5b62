#ifndef PAGETALLY_WRITE_WRITE_WALK_H
#define PAGETALLY_WRITE_WRITE_WALK_H

// The image written as the walk reads it: every run the walk is shown goes to the writer (but the
// fill between an image's bytes, which is no byte of the file's), and the pages to the consumer
// the walk serves besides, the listing or the check.

#include "walk/page_walk.h"
#include "write/image_writer.h"

#include <cstdint>

struct walk_writing {
    image_writer* writer;
    page_consumer inner;
    std::uint32_t next; // the address of the next byte the walk reads: its start at first
};

page_consumer writing_consumer(walk_writing& w);

// A consumer that takes every page and does nothing with it, for a walk that only writes.
page_consumer no_consumer();

#endif
