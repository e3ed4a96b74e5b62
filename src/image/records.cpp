// Intel HEX and Motorola S-records: lines of one record each, every record its bytes in
// hexadecimal after a mark, its length and its checksum among them.

#include "text/hex_bytes.h"
#include "text/hex_digit.h"
#include "image/image_decoders.h"

#include <algorithm>
#include <cstring>

namespace {

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

// Adds a record's data; false when there is no memory for them.
bool add_record(image& out, std::uint32_t address, const std::uint8_t* bytes, std::size_t n,
                unsigned long long line) {
    std::uint8_t* room = image_room(out, n);
    if (room == nullptr) {
        return false;
    }
    std::memcpy(room, bytes, n);
    add_bytes(out, address, n, line);
    return true;
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
    const std::size_t below =
        base.segment ? std::min<std::size_t>(length, 0x10000 - offset) : length;
    if (type == 0 && (!add_record(out, base.base + offset, data, below, line.number) ||
                      !add_record(out, base.base, data + below, length - below, line.number))) {
        return fault_at(image_fault::no_memory, 0);
    }
    if (type == 2 || type == 4) {
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
        if (!add_record(out, address, bytes + 1 + a, count - a - 1, line.number)) {
            return fault_at(image_fault::no_memory, 0);
        }
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

// The longest record line, with CR LF: ":", 5 bytes of header and checksum, 255 of data.
constexpr std::size_t intel_line_max = 1 + 2 * (5 + 255) + 2;

// The data record at `record` (`available` bytes of text from there on), when it is plain: on
// a line of its own that ends in LF or CR LF, its checksum right, and within its segment.
// Returns the length of its line with its line end, or 0 when it needs a closer look.
std::size_t plain_record(const char* record, std::size_t available, intel_base base,
                         unsigned long long line, image& out) {
    std::uint8_t count = 0;
    unsigned ignored = 0;
    if (available < 13 || record[0] != ':' || !read_hex_bytes(record + 1, 1, &count, ignored)) {
        return 0;
    }
    const std::size_t length = count;
    const std::size_t end = 11 + 2 * length;
    if (available < end + 2) {
        return 0;
    }
    const std::size_t next = record[end] == '\n'                              ? end + 1
                             : record[end] == '\r' && record[end + 1] == '\n' ? end + 2
                                                                              : 0;
    std::uint8_t head[4];
    unsigned sum = 0;
    if (next == 0 || !read_hex_bytes(record + 1, 4, head, sum) || head[3] != 0) {
        return 0;
    }
    const std::uint32_t offset = big_endian(head + 1, 2);
    // The data straight into the image, the checksum after them (room for it is taken too).
    std::uint8_t* data = image_room(out, length + 1);
    if (data == nullptr || (base.segment && offset + length > 0x10000) ||
        !read_hex_bytes(record + 9, length + 1, data, sum) || sum % 256 != 0) {
        return 0;
    }
    add_bytes(out, base.base + offset, length, line);
    return next;
}

// Takes the plain data records that come next in the text: they need none of the checks that
// read_line and intel_record make one line at a time, which took most of the time of reading a
// large file.
void take_plain_records(listing_reader& in, intel_base base, image& out) {
    for (;;) {
        std::size_t available = 0;
        const char* text = unread_text(in, intel_line_max, available);
        std::size_t at = 0;
        unsigned long long lines = 0;
        for (std::size_t n = 1; n > 0; at += n) {
            n = plain_record(text + at, available - at, base, in.line_number + lines + 1, out);
            lines += n > 0 ? 1 : 0;
        }
        take_text(in, at, lines);
        if (at == 0) {
            return;
        }
    }
}

} // namespace

image_error read_intel_hex(listing_reader& in, image& out) {
    intel_base base{false, 0};
    text_line line{};
    while ((take_plain_records(in, base, out), read_line(in, line))) {
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
