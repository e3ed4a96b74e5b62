#include "image/image_formats.h"

#include "image/image_decoders.h"

#include <cstdio>
#include <cstring>

namespace {

struct named_format {
    const char* name;
    image_format format;
};

constexpr named_format formats[] = {{"raw", image_format::raw},
                                    {"hex", image_format::hex},
                                    {"ihex", image_format::ihex},
                                    {"srec", image_format::srec},
                                    {"prg", image_format::prg}};

image_error read_failed() {
    return fault_at(image_fault::read_failed, 0);
}

// Reads up to `size` bytes, fewer only at the end; -1 when reading failed.
long read_full(text_source in, std::uint8_t* bytes, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        const long n = in.read(in.state, reinterpret_cast<char*>(bytes) + got, size - got);
        if (n <= 0) {
            return n < 0 ? -1 : static_cast<long>(got);
        }
        got += static_cast<std::size_t>(n);
    }
    return static_cast<long>(got);
}

// A .prg: two bytes of load address, low byte first, then the program.
image_error read_prg(text_source in, image& out) {
    std::uint8_t load[2];
    const long head = read_full(in, load, sizeof load);
    if (head < 2) {
        return head < 0 ? read_failed() : fault_at(image_fault::no_load_address, 0);
    }
    std::uint32_t at = static_cast<std::uint32_t>(load[0] | load[1] << 8);
    constexpr std::size_t piece = std::size_t{1} << 16;
    for (;;) {
        std::uint8_t* room = image_room(out, piece);
        if (room == nullptr) {
            return fault_at(image_fault::no_memory, 0);
        }
        const long n = in.read(in.state, reinterpret_cast<char*>(room), piece);
        if (n <= 0) {
            return n < 0 ? read_failed() : image_error{};
        }
        add_bytes(out, at, static_cast<std::size_t>(n), 0);
        at += static_cast<std::uint32_t>(n);
    }
}

} // namespace

image_error fault_at(image_fault fault, unsigned long long line, std::size_t at, char byte) {
    image_error error{};
    error.fault = fault;
    error.line = line;
    error.column = static_cast<unsigned>(at + 1);
    error.byte = static_cast<unsigned char>(byte);
    return error;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

image_error text_ended(const listing_reader& in) {
    return in.failed ? read_failed() : image_error{};
}

std::optional<image_format> format_named(const char* name) {
    for (const named_format& format : formats) {
        if (std::strcmp(name, format.name) == 0) {
            return format.format;
        }
    }
    return std::nullopt;
}

image_error read_image_file(image_format format, text_source in, std::optional<std::uint32_t> start,
                            image& out) {
    image_error fault{};
    bool labelled = true; // the file gives the addresses
    listing_reader reader = start_reading(in);
    switch (format) {
    case image_format::hex:
        fault = read_hex_text(reader, start, out, labelled);
        break;
    case image_format::ihex:
        fault = read_intel_hex(reader, out);
        break;
    case image_format::srec:
        fault = read_srecords(reader, out);
        break;
    case image_format::prg:
        fault = read_prg(in, out);
        break;
    case image_format::raw:
        break;
    }
    if (fault.fault == image_fault::read_failed) {
        return fault;
    }
    // The lines before a faulty one are read whole: a conflict among them comes first.
    const auto conflict = first_conflict(out);
    if (conflict &&
        (fault.fault == image_fault::none || fault.line == 0 || conflict->line < fault.line)) {
        image_error refused = fault_at(image_fault::conflict, conflict->line);
        refused.conflict = *conflict;
        return refused;
    }
    if (fault.fault != image_fault::none) {
        return fault;
    }
    const std::uint32_t base = labelled ? lowest_address(out) : start.value_or(0);
    place_image(out, base, start.value_or(base));
    return image_error{};
}

void describe_image_error(const image_error& error, image_format format, const char* name,
                          char* text, std::size_t size) {
    const unsigned long long n = error.line;
    switch (error.fault) {
    case image_fault::none:
        std::snprintf(text, size, "%s: an image", name);
        break;
    case image_fault::too_long:
        std::snprintf(text, size, "%s:%llu: more than %u characters", name, n,
                      static_cast<unsigned>(listing_line_max));
        break;
    case image_fault::character:
        if (error.byte >= 0x21 && error.byte <= 0x7E) {
            std::snprintf(text, size, "%s:%llu: character '%c' at column %u", name, n, error.byte,
                          error.column);
        } else {
            std::snprintf(text, size, "%s:%llu: byte 0x%02X at column %u", name, n, error.byte,
                          error.column);
        }
        break;
    case image_fault::odd_digits:
        std::snprintf(text, size, "%s:%llu: an odd number of digits at column %u", name, n,
                      error.column);
        break;
    case image_fault::no_start:
        std::snprintf(text, size, "%s:%llu: no address label, and no start address given", name, n);
        break;
    case image_fault::not_a_record:
        std::snprintf(text, size, "%s:%llu: not a record", name, n);
        break;
    case image_fault::length:
        std::snprintf(text, size, "%s:%llu: length %02llX, the record holds %02llX bytes", name, n,
                      error.given, error.wanted);
        break;
    case image_fault::checksum:
        std::snprintf(text, size, "%s:%llu: checksum %02llX, should be %02llX", name, n,
                      error.given, error.wanted);
        break;
    case image_fault::record_type:
        std::snprintf(text, size,
                      format == image_format::srec ? "%s:%llu: record type S%llu"
                                                   : "%s:%llu: record type %02llX",
                      name, n, error.given);
        break;
    case image_fault::count:
        std::snprintf(text, size, "%s:%llu: count %llu, the file has %llu data records", name, n,
                      error.given, error.wanted);
        break;
    case image_fault::conflict:
        std::snprintf(text, size, "%s:%llu: %04X holds %02X, line %llu gave it %02X", name, n,
                      static_cast<unsigned>(error.conflict.address), error.conflict.value,
                      error.conflict.earlier_line, error.conflict.earlier_value);
        break;
    case image_fault::no_end:
        std::snprintf(text, size, "%s: no end-of-file record", name);
        break;
    case image_fault::no_load_address:
        std::snprintf(text, size, "%s: no load address", name);
        break;
    case image_fault::no_memory:
        std::snprintf(text, size, "%s: not enough memory to hold the image", name);
        break;
    case image_fault::read_failed:
        std::snprintf(text, size, "cannot read %s", name);
        break;
    }
}
