#ifndef PAGETALLY_TEXT_HEX_BYTES_H
#define PAGETALLY_TEXT_HEX_BYTES_H

#include <cstddef>
#include <cstdint>

// Reads the `n` bytes that text[0, 2n) holds as pairs of hexadecimal digits (either case) into
// `bytes`, and adds them into `sum`. False when a character is not a digit: then `bytes` and
// `sum` hold anything.
bool read_hex_bytes(const char* text, std::size_t n, std::uint8_t* bytes, unsigned& sum);

#endif
