#include "image/image_formats.h"

#include "image/hex_text.h"
#include "image/intel_hex.h"
#include "image/prg.h"
#include "image/srecords.h"

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

} // namespace

std::optional<image_format> format_named(const char* name) {
    for (const named_format& format : formats) {
        if (std::strcmp(name, format.name) == 0) {
            return format.format;
        }
    }
    return std::nullopt;
}

image_error read_image_file(image_format format, text_source in, std::optional<std::uint32_t> start,
                            image& out, image_reading how) {
    image_error fault{};
    bool labelled = true; // the file gives the addresses
    text_reader reader = start_reading(in);
    switch (format) {
    case image_format::hex:
        fault = read_hex_text(reader, start, out, how == image_reading::to_check, labelled);
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
    if (reader.unmarked_utf16) { // its 00 bytes would be named, and not why
        return fault_at(image_fault::unmarked_utf16, 0);
    }
    if (fault.fault != image_fault::none) {
        return fault;
    }
    const std::uint32_t base = labelled ? first_address(out) : start.value_or(0);
    place_image(out, base, start.value_or(base));
    return image_error{};
}
