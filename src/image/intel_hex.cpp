#include "image/intel_hex.h"

#include "image/record_lines.h"
#include "text/hex_bytes.h"

#include <algorithm>

namespace {

// Where Intel HEX data records lie: below a segment base, each wraps within its 64 KiB.
struct intel_base {
    bool segment;
    std::uint32_t base;
};

// One Intel HEX record, checked; `ended` at the end-of-file record.
image_error intel_record(void* state, const text_line& line, std::size_t end, image& out,
                         bool& ended) {
    intel_base& base = *static_cast<intel_base*>(state);
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
    if (type == 0) {
        put_bytes(out, base.base + offset, data, below, line.number);
        put_bytes(out, base.base, data + below, length - below, line.number);
        fault = put_fault(out);
        if (fault.fault != image_fault::none) {
            return fault;
        }
    }
    if (type == 2 || type == 4) {
        base = intel_base{type == 2, big_endian(data, 2) << (type == 2 ? 4 : 16)};
    }
    ended = type == 1;
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
    std::uint8_t data[256]; // the data, then the checksum
    if ((base.segment && offset + length > 0x10000) ||
        !read_hex_bytes(record + 9, length + 1, data, sum) || sum % 256 != 0) {
        return 0;
    }
    // A record the image refuses is read again as any other, and refused.
    return put_bytes(out, base.base + offset, data, length, line) == put_result::stored ? next : 0;
}

// Takes the plain data records that come next in the text: they need none of the checks that
// read_line and intel_record make one line at a time, which took most of the time of reading a
// large file.
void take_plain_records(void* state, text_reader& in, image& out) {
    const intel_base base = *static_cast<const intel_base*>(state);
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

image_error read_intel_hex(text_reader& in, image& out) {
    intel_base base{false, 0};
    return read_record_lines(in, record_format{':', true, intel_record, take_plain_records, &base},
                             out);
}
