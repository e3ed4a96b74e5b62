#ifndef PAGETALLY_LISTING_H
#define PAGETALLY_LISTING_H

#include <cstdint>
#include <cstdio>

enum class listing_status {
    complete,    // a read delivered no bytes at the end of the input
    read_failed, // the input failed; the pages before the failing read are written
    write_failed // `out` refused the listing
};

// Lists the checksums of `in`, viewed as a memory image whose first byte lies at `start`: one
// text line per 256-byte page of the address space that the input reaches into, read with one
// request per page. Stops at the first read that delivers no bytes. Neither opens nor closes
// either stream, and does not flush `out`.
listing_status list_page_checksums(std::FILE* in, std::uint32_t start, std::FILE* out);

#endif
