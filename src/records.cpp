// Intel HEX and Motorola S-records: lines of one record each, every record its bytes in
// hexadecimal after a mark, its length and its checksum among them.

#include "hex_digit.h"
#include "image_decoders.h"

#include <algorithm>
#include <cstring>

namespace {

// The value of every character as a digit, with 0xF0 for one that is not.
struct digit_table {
    std::uint8_t value[256];
};

constexpr digit_table make_digit_table() {
    digit_table table{};
    for (unsigned c = 0; c < 256; ++c) {
        const int value = hex_digit_value(static_cast<char>(c));
        table.value[c] = static_cast<std::uint8_t>(value < 0 ? 0xF0 : value);
    }
    return table;
}

constexpr digit_table digits = make_digit_table();

// Records hold at most this many bytes: those of the longest line a text may have.
constexpr std::size_t record_max = listing_line_max / 2;

// The end of the line without its trailing blanks.
std::size_t trimmed(const text_line& line) {
    std::size_t end = line.length;
    while (end > 0 && is_blank(line.text[end - 1])) {
        --end;
    }
    return end;
}

// Decodes the digits text[from, end) into `bytes` (a last odd digit left out); a fault at the
// first character that is not a digit.
image_error record_bytes(const text_line& line, std::size_t from, std::size_t end,
                         std::uint8_t* bytes) {
    const auto* text = reinterpret_cast<const unsigned char*>(line.text);
    unsigned bad = 0;
    std::size_t i = from;
    for (; i + 1 < end; i += 2) {
        const unsigned high = digits.value[text[i]];
        const unsigned low = digits.value[text[i + 1]];
        bad |= high | low;
        *bytes++ = static_cast<std::uint8_t>(high << 4 | low);
    }
    bad |= i < end ? digits.value[text[i]] : 0;
    if ((bad & 0xF0) != 0) {
        for (i = from; digits.value[text[i]] != 0xF0; ++i) {
        }
        return fault_at(image_fault::character, line.number, i, line.text[i]);
    }
    return image_error{};
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

void add_record(image& out, std::uint32_t address, const std::uint8_t* bytes, std::size_t n,
                unsigned long long line) {
    std::memcpy(image_room(out, n), bytes, n);
    add_bytes(out, address, n, line);
}

// Where Intel HEX data records lie: below a segment base, each wraps within its 64 KiB.
struct intel_base {
    bool segment;
    std::uint32_t base;
};

// One Intel HEX record, checked; `ended` at the end-of-file record.
image_error intel_record(const text_line& line, std::size_t end, intel_base& base, image& out,
                         bool& ended) {
    std::uint8_t bytes[record_max];
    image_error fault = record_bytes(line, 1, end, bytes);
    const std::size_t digit_count = end - 1;
    if (fault.fault != image_fault::none || digit_count < 10) {
        return fault.fault != image_fault::none ? fault
                                                : fault_at(image_fault::not_a_record, line.number);
    }
    const std::size_t n = digit_count / 2;
    const unsigned length = bytes[0];
    if (digit_count % 2 != 0 || length != n - 5) {
        return length_fault(line.number, length, n - 5);
    }
    if (sum_of(bytes, n) % 256 != 0) {
        return checksum_fault(line.number, bytes[n - 1], 0u - sum_of(bytes, n - 1));
    }
    const unsigned type = bytes[3];
    const std::uint32_t offset = big_endian(bytes + 1, 2);
    const std::uint8_t* data = bytes + 4;
    const unsigned fitting_length[] = {length, 0, 2, 4, 2, 4};
    if (type > 5 || length != fitting_length[type]) {
        return type_fault(line.number, type);
    }
    if (type == 0 && base.segment) {
        const std::size_t below = std::min<std::size_t>(length, 0x10000 - offset);
        add_record(out, base.base + offset, data, below, line.number);
        add_record(out, base.base, data + below, length - below, line.number);
    } else if (type == 0) {
        add_record(out, base.base + offset, data, length, line.number);
    } else if (type == 2 || type == 4) {
        base = intel_base{type == 2, big_endian(data, 2) << (type == 2 ? 4 : 16)};
    }
    ended = type == 1;
    return image_error{};
}

// One S-record, checked; `ended` at an end record. `data_records` counts S1, S2 and S3.
image_error s_record(const text_line& line, std::size_t end, unsigned long long& data_records,
                     image& out, bool& ended) {
    if (end < 2) {
        return fault_at(image_fault::not_a_record, line.number);
    }
    if (line.text[1] < '0' || line.text[1] > '9') {
        return fault_at(image_fault::character, line.number, 1, line.text[1]);
    }
    std::uint8_t bytes[record_max];
    image_error fault = record_bytes(line, 2, end, bytes);
    const std::size_t digit_count = end - 2;
    if (fault.fault != image_fault::none || digit_count < 4) {
        return fault.fault != image_fault::none ? fault
                                                : fault_at(image_fault::not_a_record, line.number);
    }
    const std::size_t n = digit_count / 2;
    const unsigned count = bytes[0];
    if (digit_count % 2 != 0 || count != n - 1) {
        return length_fault(line.number, count, n - 1);
    }
    const unsigned sum = sum_of(bytes, n - 1);
    if (((~sum) & 0xFF) != bytes[n - 1]) {
        return checksum_fault(line.number, bytes[n - 1], ~sum);
    }
    const unsigned type = static_cast<unsigned>(line.text[1] - '0');
    // Address bytes: of data records (1, 2, 3), of counts (5, 6) and of end records (7, 8, 9).
    const std::size_t address_size[] = {0, 2, 3, 4, 0, 2, 3, 4, 3, 2};
    const std::size_t a = address_size[type];
    const bool fits = type == 0 || (type >= 1 && type <= 3 ? count >= a + 1 : count == a + 1);
    if (type == 4 || !fits) {
        return type_fault(line.number, type);
    }
    const std::uint32_t address = big_endian(bytes + 1, a);
    if (type >= 1 && type <= 3) {
        add_record(out, address, bytes + 1 + a, count - a - 1, line.number);
        ++data_records;
    } else if ((type == 5 || type == 6) && address != data_records) {
        image_error wrong = fault_at(image_fault::count, line.number);
        wrong.given = address;
        wrong.wanted = data_records;
        return wrong;
    }
    ended = type >= 7;
    return image_error{};
}

} // namespace

image_error read_intel_hex(listing_reader& in, image& out) {
    intel_base base{false, 0};
    text_line line{};
    while (read_line(in, line)) {
        if (line.text == nullptr) {
            return fault_at(image_fault::too_long, line.number);
        }
        const std::size_t end = trimmed(line);
        if (end == 0) {
            continue;
        }
        if (line.text[0] != ':') {
            return fault_at(image_fault::not_a_record, line.number);
        }
        bool ended = false;
        const image_error fault = intel_record(line, end, base, out, ended);
        if (fault.fault != image_fault::none || ended) {
            return fault;
        }
    }
    return in.failed ? image_error{image_fault::read_failed, 0, 0, 0, 0, 0, {}}
                     : fault_at(image_fault::no_end, 0);
}

image_error read_srecords(listing_reader& in, image& out) {
    unsigned long long data_records = 0;
    text_line line{};
    while (read_line(in, line)) {
        if (line.text == nullptr) {
            return fault_at(image_fault::too_long, line.number);
        }
        const std::size_t end = trimmed(line);
        if (end == 0) {
            continue;
        }
        if (line.text[0] != 'S') {
            return fault_at(image_fault::not_a_record, line.number);
        }
        bool ended = false;
        const image_error fault = s_record(line, end, data_records, out, ended);
        if (fault.fault != image_fault::none || ended) {
            return fault;
        }
    }
    return text_ended(in);
}
