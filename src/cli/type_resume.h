#ifndef PAGETALLY_CLI_TYPE_RESUME_H
#define PAGETALLY_CLI_TYPE_RESUME_H

// Typing resumed: the typed text that exists read, checked against the listing as a check
// checks it, and typing placed after its last byte.

#include "cli/command_line.h"
#include "typing/typing.h"

#include <cstddef>
#include <optional>

// Resumes typing from the typed text `text` (`size` bytes); an empty text, or one that holds no
// byte, leaves the session unplaced. False when the run ends here, with `status`, its message
// written.
bool resume_typing(const request& asked, std::optional<std::uint32_t> start, listing_table& table,
                   typing_session& s, const char* text, std::size_t size, int& status);

#endif
