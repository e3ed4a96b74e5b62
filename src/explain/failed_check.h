#ifndef PAGETALLY_EXPLAIN_FAILED_CHECK_H
#define PAGETALLY_EXPLAIN_FAILED_CHECK_H

// What a failed check hands its explanations: the pages' line sums, and the image to read again.

#include "explain/image_again.h"
#include "explain/page_log.h"

#include <cstddef>
#include <cstdint>

struct failed_check {
    page_log& log;
    const std::uint8_t* first_bytes; // the image's first bytes, `kept` of them
    std::size_t kept;
    bool raw;            // the image is raw bytes, which may be text read as raw
    std::uint32_t start; // where the image's first byte lies
    image_again again;
    bool realigned; // past slips: the image's own pages are read again for the address lines
    std::size_t differing = 0; // the first page that differs from its listing line, once known
};

#endif
