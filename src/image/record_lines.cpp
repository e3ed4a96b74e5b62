#include "image/record_lines.h"

#include "text/characters.h"
#include "text/hex_bytes.h"

#include <cstring>

namespace {

// The end of the line without its trailing blanks.
std::size_t trimmed(const text_line& line) {
    std::size_t end = line.length;
    while (end > 0 && is_blank(line.text[end - 1])) {
        --end;
    }
    return end;
}

} // namespace

// Decodes the digits text[from, end) into `bytes` (a last odd digit left out); a fault at the
// first character that is not a digit.
image_error record_bytes(const text_line& line, std::size_t from, std::size_t end,
                         std::uint8_t* bytes) {
    unsigned sum = 0;
    const std::size_t n = (end - from) / 2;
    const bool odd = (end - from) % 2 != 0;
    if (read_hex_bytes(line.text + from, n, bytes, sum) &&
        (!odd || hex_digit_value(line.text[end - 1]) >= 0)) {
        return image_error{};
    }
    std::size_t i = from;
    while (hex_digit_value(line.text[i]) >= 0) {
        ++i;
    }
    return fault_at(image_fault::character, line.number, i, line.text[i]);
}

image_error length_fault(unsigned long long line, unsigned given, std::size_t held) {
    image_error fault = fault_at(image_fault::length, line);
    fault.given = given;
    fault.wanted = held;
    return fault;
}

image_error checksum_fault(unsigned long long line, unsigned given, unsigned wanted) {
    image_error fault = fault_at(image_fault::checksum, line);
    fault.given = given;
    fault.wanted = wanted & 0xFF;
    return fault;
}

image_error type_fault(unsigned long long line, unsigned type) {
    image_error fault = fault_at(image_fault::record_type, line);
    fault.given = type;
    return fault;
}

unsigned sum_of(const std::uint8_t* bytes, std::size_t n) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        sum += bytes[i];
    }
    return sum;
}

std::uint32_t big_endian(const std::uint8_t* bytes, std::size_t n) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < n; ++i) {
        value = value << 8 | bytes[i];
    }
    return value;
}

image_error read_record_lines(text_reader& in, const record_format& format, image& out) {
    for (;;) {
        if (format.plain != nullptr) {
            format.plain(format.state, in, out);
        }
        text_line line{};
        if (!read_line(in, line)) {
            break;
        }
        if (line.text == nullptr) {
            return fault_at(image_fault::too_long, line.number);
        }
        if (line.fault != text_fault::none) {
            return text_fault_of(line);
        }
        const std::size_t end = trimmed(line);
        if (end == 0) {
            continue;
        }
        if (line.text[0] != format.mark) {
            return fault_at(image_fault::not_a_record, line.number);
        }
        bool ended = false;
        const image_error fault = format.record(format.state, line, end, out, ended);
        if (fault.fault != image_fault::none || ended) {
            return fault;
        }
    }
    return in.failed || !format.end_needed ? text_ended(in) : fault_at(image_fault::no_end, 0);
}
