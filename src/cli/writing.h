#ifndef PAGETALLY_CLI_WRITING_H
#define PAGETALLY_CLI_WRITING_H

// The image written as the request asks (--write OUT): refused before the walk when its format
// cannot hold it, written as the walk reads it, put in place of OUT once whole.

#include "cli/command_line.h"
#include "cli/inputs.h"
#include "platform/platform.h"
#include "write/image_writer.h"
#include "write/write_walk.h"

struct image_output {
    output_file file;
    image_writer writer;
    walk_writing walk;
};

// Opens OUT for the image, to be written by the walk; with no --write, nothing. False when the
// run ends here, with `status`, its message written: a .prg cannot hold the image, or OUT cannot
// be created.
bool open_image_output(const request& asked, const opened_image& image, int failure,
                       image_output& out, int& status);

// The consumer of the walk from `start` that writes the image as it goes, and serves `inner`
// besides; without --write, `inner`.
page_consumer output_consumer(const request& asked, image_output& out, std::uint32_t start,
                              page_consumer inner);

// Ends the writing: the image put in place of OUT when `keep`, else none of it. False when it
// was to be kept and could not be written whole.
bool close_image_output(const request& asked, image_output& out, bool keep);

#endif
