// Start-address conversion against a deliberately plain second reading of the same rules, built
// on the C library's strtoull: the two must agree on every text, on refusal and on the value.
#include "text/address.h"

#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::optional<std::uint32_t> reference(const char* text) {
    const char* p = text;
    while (std::isspace(static_cast<unsigned char>(*p)) != 0) {
        ++p;
    }
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') {
        ++p;
    }
    // A "$" or "&" prefix needs a digit after it, and no "0x" follows it: strtoull reads only
    // the run of digits.
    std::string digits;
    if (*p == '$' || *p == '&') {
        ++p;
        if (std::isxdigit(static_cast<unsigned char>(*p)) == 0) {
            return std::nullopt;
        }
        digits.assign(p, std::strspn(p, "0123456789abcdefABCDEF"));
        p = digits.c_str();
    }
    // strtoull would skip more white space or take a second sign here; the rules take neither.
    if (std::isxdigit(static_cast<unsigned char>(*p)) == 0) {
        return std::nullopt;
    }
    errno = 0;
    const unsigned long long magnitude = std::strtoull(p, nullptr, 16);
    if (errno == ERANGE || magnitude > 0xFFFFFFFFull) {
        return std::nullopt;
    }
    const auto value = static_cast<std::uint32_t>(magnitude);
    return negative ? static_cast<std::uint32_t>(0u - value) : value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size); // read up to a NUL
    const auto got = parse_start_address(text.c_str());
    const auto want = reference(text.c_str());
    if (got != want) {
        std::fprintf(stderr, "\"%s\": got %s %08X, want %s %08X\n", text.c_str(),
                     got ? "value" : "refusal", got.value_or(0), want ? "value" : "refusal",
                     want.value_or(0));
        std::abort();
    }
    return 0;
}
