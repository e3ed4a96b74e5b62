#include "image/srecords.h"

#include "image/record_lines.h"

namespace {

// One S-record, checked; `ended` at an end record. `data_records` counts S1, S2 and S3.
image_error s_record(void* state, const text_line& line, std::size_t end, image& out, bool& ended) {
    auto& data_records = *static_cast<unsigned long long*>(state);
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
        if (put_bytes(out, address, bytes + 1 + a, count - a - 1, line.number) !=
            put_result::stored) {
            return put_fault(out);
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

} // namespace

image_error read_srecords(text_reader& in, image& out) {
    unsigned long long data_records = 0;
    return read_record_lines(in, record_format{'S', false, s_record, nullptr, &data_records}, out);
}
