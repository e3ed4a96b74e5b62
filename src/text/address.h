#ifndef PAGETALLY_TEXT_ADDRESS_H
#define PAGETALLY_TEXT_ADDRESS_H

#include <cstddef>
#include <cstdint>
#include <optional>

// Converts start-address text to a 32-bit address, the same on every platform.
//
// Accepted: leading white space, an optional sign, an optional prefix ("0x", "0X", "$" or "&"),
// then hexadecimal digits in either case; whatever follows the digits is ignored. A "0x" prefix
// with no digit after it ("0x", "0xg") reads as the digit 0. A minus sign negates modulo 2^32
// ("-10" and "-$10" are 0xFFFFFFF0).
//
// Refused (no value): text with no hexadecimal digit at all, a "$" or "&" without a digit after
// it, and values above 0xFFFFFFFF.
std::optional<std::uint32_t> parse_start_address(const char* text);

// The length of the address prefix that `text` (`n` characters) begins with: 1 for "$" or "&"
// (as 6502 and Acorn books write addresses), 2 for "0x" or "0X" when a hexadecimal digit follows
// it, else 0 (a "0x" without a digit is the number 0).
std::size_t address_prefix(const char* text, std::size_t n);

#endif
