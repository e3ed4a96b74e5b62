#ifndef PAGETALLY_TYPING_TYPING_RUN_H
#define PAGETALLY_TYPING_TYPING_RUN_H

// Typing as a run: lines read one by one, each prompted for when a person types them, each
// accepted line added to the typed text before the next is read, until "." or the end of the
// lines; then how far typing got.

#include "check/check_report.h"
#include "text/text_reader.h"
#include "typing/typing.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

// The typed text: `add` writes `n` bytes at its end, `cut` cuts it to its first `size` bytes;
// each false, the text as it was, when it could not be written.
struct typed_text {
    bool (*add)(void* state, const char* text, std::size_t n);
    bool (*cut)(void* state, std::uint64_t size);
    void* state;
};

struct typing_request {
    text_source lines;
    std::FILE* prompts; // where each line is prompted for; null for none
    check_output output;
    typed_text text;
};

enum class typing_status {
    all_match,     // every page of the listing is typed and matches
    pages_to_go,   // some are left, or differ
    lines_failed,  // reading the lines failed
    text_failed,   // the typed text could not be written
    output_failed, // a line of output could not be written
    no_memory
};

// Types in the lines. A typed text that cannot be written ends the run at once, with nothing
// more said.
typing_status run_typing(typing_session& s, listing_table& table, const typing_request& request);

#endif
