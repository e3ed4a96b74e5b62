#include "image/image_error.h"

#include <cstdio>

image_error fault_at(image_fault fault, unsigned long long line, std::size_t at, char byte) {
    image_error error{};
    error.fault = fault;
    error.line = line;
    error.column = static_cast<unsigned>(at + 1);
    error.byte = static_cast<unsigned char>(byte);
    return error;
}

image_error text_fault_of(const text_line& line) {
    switch (line.fault) {
    case text_fault::cut_character:
        return fault_at(image_fault::cut_character, line.number);
    case text_fault::lone_surrogate:
        return fault_at(image_fault::lone_surrogate, line.number, line.fault_column - 1);
    case text_fault::none:
        break;
    }
    return image_error{};
}

image_error read_fault() {
    return fault_at(image_fault::read_failed, 0);
}

image_error put_fault(const image& image) {
    if (image.refused == put_result::stored) {
        return image_error{};
    }
    if (image.refused == put_result::no_memory) {
        return fault_at(image_fault::no_memory, 0);
    }
    image_error refused = fault_at(image_fault::conflict, image.conflict.line);
    refused.conflict = image.conflict;
    return refused;
}

image_error text_ended(const text_reader& in) {
    return in.failed ? read_fault() : image_error{};
}

namespace {

// The words of a fault in a record, after "NAME:N: ".
void describe_record_fault(const image_error& error, image_format format, char* text,
                           std::size_t size) {
    switch (error.fault) {
    case image_fault::not_a_record:
        std::snprintf(text, size, "not a record");
        break;
    case image_fault::length:
        std::snprintf(text, size, "length %02llX, the record holds %02llX bytes", error.given,
                      error.wanted);
        break;
    case image_fault::checksum:
        std::snprintf(text, size, "checksum %02llX, should be %02llX", error.given, error.wanted);
        break;
    case image_fault::record_type:
        std::snprintf(text, size,
                      format == image_format::srec ? "record type S%llu" : "record type %02llX",
                      error.given);
        break;
    case image_fault::count:
        std::snprintf(text, size, "count %llu, the file has %llu data records", error.given,
                      error.wanted);
        break;
    default:
        break;
    }
}

} // namespace

void describe_line_fault(const image_error& error, image_format format, char* text,
                         std::size_t size) {
    switch (error.fault) {
    case image_fault::too_long:
        std::snprintf(text, size, "more than %u characters", static_cast<unsigned>(text_line_max));
        break;
    case image_fault::character:
        if (error.byte >= 0x21 && error.byte <= 0x7E) {
            std::snprintf(text, size, "character '%c' at column %u", error.byte, error.column);
        } else {
            std::snprintf(text, size, "byte 0x%02X at column %u", error.byte, error.column);
        }
        break;
    case image_fault::odd_digits:
        std::snprintf(text, size, "an odd number of digits at column %u", error.column);
        break;
    case image_fault::cut_character:
        describe_text_fault(text_fault::cut_character, error.column, text, size);
        break;
    case image_fault::lone_surrogate:
        describe_text_fault(text_fault::lone_surrogate, error.column, text, size);
        break;
    case image_fault::no_start:
        std::snprintf(text, size, "no address label, and no start address given");
        break;
    case image_fault::conflict:
        std::snprintf(text, size, "%04X holds %02X, line %llu gave it %02X",
                      static_cast<unsigned>(error.conflict.address), error.conflict.value,
                      error.conflict.earlier_line, error.conflict.earlier_value);
        break;
    default:
        describe_record_fault(error, format, text, size);
        break;
    }
}

void describe_image_error(const image_error& error, image_format format, const char* name,
                          char* text, std::size_t size) {
    switch (error.fault) {
    case image_fault::none:
        std::snprintf(text, size, "%s: an image", name);
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
    case image_fault::unmarked_utf16:
        std::snprintf(text, size, "%s: looks like UTF-16 without a byte order mark", name);
        break;
    default: {
        char words[96];
        describe_line_fault(error, format, words, sizeof words);
        std::snprintf(text, size, "%s:%llu: %s", name, error.line, words);
        break;
    }
    }
}
