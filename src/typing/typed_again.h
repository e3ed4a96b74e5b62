#ifndef PAGETALLY_TYPING_TYPED_AGAIN_H
#define PAGETALLY_TYPING_TYPED_AGAIN_H

// The typed text read again, to resume typing after it: its bytes, as the image read from it
// holds them, put as they stand, and its lines kept, each where it begins in the text, to be
// taken back.

#include "image/image.h"
#include "typing/typing.h"

#include <cstddef>

// Puts the placed image `typed`, read from `text` (`size` bytes), into the placed session,
// unchecked; typing goes on after the last line of the text that gave bytes. Bytes in no page
// of the listing are counted (`stray`). False when there is no memory.
bool retype_image(typing_session& s, const image& typed, const char* text, std::size_t size);

#endif
