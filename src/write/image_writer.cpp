#include "write/image_writer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t text_size = std::size_t{1} << 16;

void flush_text(image_writer& w) {
    if (w.used > 0 && !w.failed) {
        w.failed = !w.sink.write(w.sink.state, w.text, w.used);
    }
    w.used = 0;
}

void emit(image_writer& w, const char* data, std::size_t n) {
    if (w.used + n > text_size) {
        flush_text(w);
    }
    if (n > text_size) {
        w.failed = w.failed || !w.sink.write(w.sink.state, data, n);
        return;
    }
    std::memcpy(w.text + w.used, data, n);
    w.used += n;
}

// The fill byte from the address after the last one written up to `address`.
void emit_fill(image_writer& w, std::uint32_t address) {
    char fill[4096];
    std::memset(fill, w.plan.fill, sizeof fill);
    for (std::uint64_t left = address - w.next; left > 0;) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(left, sizeof fill));
        emit(w, fill, n);
        left -= n;
    }
}

// Every byte in two uppercase digits.
struct digit_pairs {
    char pair[256][2];
};

constexpr digit_pairs make_pairs() {
    digit_pairs d{};
    const char digits[] = "0123456789ABCDEF";
    for (unsigned b = 0; b < 256; ++b) {
        d.pair[b][0] = digits[b >> 4];
        d.pair[b][1] = digits[b & 15];
    }
    return d;
}

constexpr digit_pairs pairs = make_pairs();

// A text line written straight into the buffer, which has room for the longest: the bytes in
// two digits each, and their sum for the check that the format asks for. Written this way, not
// gathered and copied, a record takes a third of the time.
constexpr std::size_t line_most = 64;

struct record_line {
    char* at;
    unsigned sum;
};

record_line begin_line(image_writer& w) {
    if (w.used + line_most > text_size) {
        flush_text(w);
    }
    return record_line{w.text + w.used, 0};
}

void put_digits(record_line& r, std::uint8_t byte) {
    std::memcpy(r.at, pairs.pair[byte], 2);
    r.at += 2;
    r.sum += byte;
}

// `width` bytes of `value`, the most significant first.
void put_value(record_line& r, std::uint32_t value, unsigned width) {
    for (unsigned i = width; i-- > 0;) {
        put_digits(r, static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void end_line(image_writer& w, record_line& r) {
    for (const char* c = w.plan.line_end; *c != '\0'; ++c) {
        *r.at++ = *c;
    }
    w.used = static_cast<std::size_t>(r.at - w.text);
}

// An Intel HEX record: its sum check makes every byte of it add up to 0.
void intel_record(image_writer& w, std::uint16_t address, unsigned type, const std::uint8_t* data,
                  std::size_t n) {
    record_line r = begin_line(w);
    *r.at++ = ':';
    put_digits(r, static_cast<std::uint8_t>(n));
    put_value(r, address, 2);
    put_digits(r, static_cast<std::uint8_t>(type));
    for (std::size_t i = 0; i < n; ++i) {
        put_digits(r, data[i]);
    }
    put_digits(r, static_cast<std::uint8_t>(0x100 - (r.sum & 0xFF)));
    end_line(w, r);
}

// An S-record: its count covers the address, the data and the sum check, which is the ones'
// complement of the sum of all of them.
void s_record(image_writer& w, char type, std::uint32_t address, unsigned width,
              const std::uint8_t* data, std::size_t n) {
    record_line r = begin_line(w);
    *r.at++ = 'S';
    *r.at++ = type;
    put_digits(r, static_cast<std::uint8_t>(width + n + 1));
    put_value(r, address, width);
    for (std::size_t i = 0; i < n; ++i) {
        put_digits(r, data[i]);
    }
    put_digits(r, static_cast<std::uint8_t>(~r.sum));
    end_line(w, r);
}

// The S-record type of the data records, and of the end record: by the highest address.
unsigned s_width(const image_writer& w) {
    return w.plan.highest <= 0xFFFF ? 2 : w.plan.highest <= 0xFFFFFF ? 3 : 4;
}

void typed_line(image_writer& w, std::uint32_t start, const std::uint8_t* bytes, std::size_t n) {
    record_line r = begin_line(w);
    put_value(r, start, start > 0xFFFF ? 4 : 2);
    *r.at++ = ':';
    for (std::size_t i = 0; i < n; ++i) {
        *r.at++ = ' ';
        put_digits(r, bytes[i]);
    }
    end_line(w, r);
}

// Writes `n` bytes at `start` as one record or line.
void write_line_of(image_writer& w, std::uint32_t start, const std::uint8_t* bytes, std::size_t n) {
    switch (w.plan.format) {
    case image_format::ihex:
        if (start >> 16 != w.upper) {
            w.upper = start >> 16;
            const std::uint8_t upper[2] = {static_cast<std::uint8_t>(w.upper >> 8),
                                           static_cast<std::uint8_t>(w.upper)};
            intel_record(w, 0, 4, upper, 2);
        }
        intel_record(w, static_cast<std::uint16_t>(start), 0, bytes, n);
        break;
    case image_format::srec:
        s_record(w, static_cast<char>('0' + s_width(w) - 1), start, s_width(w), bytes, n);
        ++w.records;
        break;
    default:
        typed_line(w, start, bytes, n);
        break;
    }
}

// Writes the bytes held as one record or line.
void write_held(image_writer& w) {
    if (w.count > 0) {
        write_line_of(w, w.line_start, w.held, w.count);
        w.count = 0;
    }
}

// A .prg's load address, before its first byte, or alone for an empty image.
void write_load_address(image_writer& w) {
    const char load[2] = {static_cast<char>(w.plan.first & 0xFF),
                          static_cast<char>(w.plan.first >> 8 & 0xFF)};
    emit(w, load, 2);
}

void write_raw(image_writer& w, std::uint32_t address, const std::uint8_t* bytes, std::size_t n) {
    if (!w.begun && w.plan.format == image_format::prg) {
        write_load_address(w);
    }
    w.next = w.begun ? w.next : w.plan.first;
    emit_fill(w, address);
    emit(w, reinterpret_cast<const char*>(bytes), n);
    w.next = address + static_cast<std::uint32_t>(n);
}

} // namespace

void start_writing(image_writer& w, const write_plan& plan, write_sink sink) {
    w = image_writer{};
    w.plan = plan;
    w.sink = sink;
    w.text = static_cast<char*>(std::malloc(text_size));
    w.failed = w.text == nullptr;
    if (plan.format == image_format::srec && !w.failed) {
        s_record(w, '0', 0, 2, nullptr, 0);
    }
}

void write_bytes(image_writer& w, std::uint32_t address, const std::uint8_t* bytes, std::size_t n) {
    if (n == 0) {
        return;
    }
    if (w.plan.format == image_format::raw || w.plan.format == image_format::prg) {
        write_raw(w, address, bytes, n);
        w.begun = true;
        return;
    }
    const std::uint32_t grid = w.plan.format == image_format::hex ? 8 : 16;
    while (n > 0) {
        if (w.count > 0 && address != w.line_start + w.count) {
            write_held(w); // a hole
        }
        if (w.count == 0 && address % grid == 0 && n >= grid) { // whole lines, not gathered
            write_line_of(w, address, bytes, grid);
            address += grid;
            bytes += grid;
            n -= grid;
            continue;
        }
        w.line_start = w.count == 0 ? address : w.line_start;
        const std::size_t take = std::min<std::size_t>(n, grid - address % grid);
        std::memcpy(w.held + w.count, bytes, take);
        w.count += take;
        address += static_cast<std::uint32_t>(take);
        bytes += take;
        n -= take;
        if (address % grid == 0) {
            write_held(w);
        }
    }
    w.begun = true;
}

bool finish_writing(image_writer& w) {
    if (!w.begun && w.plan.format == image_format::prg) {
        write_load_address(w);
    }
    write_held(w);
    if (w.plan.format == image_format::ihex) {
        intel_record(w, 0, 1, nullptr, 0);
    } else if (w.plan.format == image_format::srec) {
        if (w.records <= 0xFFFF) {
            s_record(w, '5', static_cast<std::uint32_t>(w.records), 2, nullptr, 0);
        } else if (w.records <= 0xFFFFFF) {
            s_record(w, '6', static_cast<std::uint32_t>(w.records), 3, nullptr, 0);
        }
        s_record(w, static_cast<char>('0' + 11 - s_width(w)), 0, s_width(w), nullptr, 0);
    }
    flush_text(w);
    abandon_writing(w);
    return !w.failed;
}

void abandon_writing(image_writer& w) {
    std::free(w.text);
    w.text = nullptr;
}
