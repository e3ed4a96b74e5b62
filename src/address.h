#ifndef PAGETALLY_ADDRESS_H
#define PAGETALLY_ADDRESS_H

#include <cstdint>
#include <optional>

// Converts start-address text to a 32-bit address, the same on every platform.
//
// Accepted: leading white space, an optional sign, an optional 0x or 0X prefix, then hexadecimal
// digits in either case; whatever follows the digits is ignored. A prefix with no digit after it
// ("0x", "0xg") reads as the digit 0. A minus sign negates modulo 2^32 ("-10" is 0xFFFFFFF0).
//
// Refused (no value): text with no hexadecimal digit at all, and values above 0xFFFFFFFF.
std::optional<std::uint32_t> parse_start_address(const char* text);

#endif
