#ifndef PAGETALLY_CLI_INPUTS_H
#define PAGETALLY_CLI_INPUTS_H

// The inputs of a run as the request names them: the start address, the listing, and the image,
// opened and, when its format gives its addresses, read whole.

#include "cli/command_line.h"
#include "image/image.h"
#include "platform/platform.h"
#include "text/text_reader.h"
#include "walk/page_walk.h"

#include <cstdint>
#include <optional>

// An input named "-" is standard input; "./-" names a file called "-". False when it cannot be
// opened.
bool open_named(const char* name, input_file& in);

// The text of an opened input.
text_source text_of(input_file& in);

struct opened_image {
    input_file in; // raw bytes to walk; closed once an image is read whole
    image read;    // the image read whole, for the other formats
    bool raw;
    std::optional<std::uint32_t> start; // as asked
};

// Opens the image asked for: the start address read first (refused with `usage`), then the
// listing of a check into `listing` (when given), then the image's file; neither may be
// standard output. Reads the image whole when its format gives its addresses, and a raw image
// from a pipe when it is to be written as S-records or a .prg, which need its end first. False when
// the run ends here, with `status`, its message written.
bool open_image(const request& asked, const char* usage, int failure, input_file* listing,
                opened_image& image, int& status);

// Where the image's first byte lies.
std::uint32_t image_first(const opened_image& image);

// Walks the image: raw bytes as they are read, or the image read whole.
walk_status walk_image(opened_image& image, std::uint8_t fill, page_consumer out);

#endif
