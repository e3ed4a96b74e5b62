#ifndef PAGETALLY_CLI_TYPE_RESUME_H
#define PAGETALLY_CLI_TYPE_RESUME_H

// Typing resumed: the typed text that exists read, checked against the listing as a check
// checks it, and typing placed after its last byte.

#include "cli/command_line.h"
#include "image/image_formats.h"
#include "typing/typing.h"

#include <cstddef>
#include <optional>

// The image a typed text holds, placed at its own labels; at `start` when its first line has
// none. The one of `labelled` and `placed` read, with `error` when it is no typed text.
image* read_typed_image(const char* text, std::size_t size, std::optional<std::uint32_t> start,
                        image_reading how, image& labelled, image& placed, image_error& error);

// Resumes typing from the typed text `text` (`size` bytes); an empty text, or one that holds no
// byte, leaves the session unplaced. False when the run ends here, with `status`, its message
// written.
bool resume_typing(const request& asked, std::optional<std::uint32_t> start, listing_table& table,
                   typing_session& s, const char* text, std::size_t size, int& status);

#endif
