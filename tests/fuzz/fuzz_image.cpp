// The image formats against a plain model. The fuzzer's bytes choose a format, a start address
// or none, a fill byte and a sparse image of a few blocks (overlapping ones agree, or now and
// then do not); the model writes it in that format, in records of chosen sizes and order, and one
// change may damage the text. pagetally must then give the model's error line, or its listing.
// Now and then the blocks are cut into many small records, given many times over in a random
// order: run with a -timeout, that bounds the time of reading files of many records.
// With FUZZ_IMAGE_SHOW set, each case is shown before pagetally reads it.
#include "image/image.h"
#include "image/image_formats.h"
#include "image_model.h"
#include "listing/listing.h"
#include "memory_input.h"

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

std::string pagetally_reads(model_format format, const std::string& file,
                            std::optional<std::uint32_t> start, std::uint8_t fill,
                            std::size_t piece) {
    static const image_format formats[] = {image_format::hex, image_format::ihex,
                                           image_format::srec, image_format::prg};
    const image_format kind = formats[static_cast<int>(format)];
    image img{};
    text_input in{file, piece, false, 0};
    const image_error error = read_image_file(kind, text_source{read_piece, &in}, start, img);
    if (error.fault != image_fault::none) {
        char line[160];
        describe_image_error(error, kind, "I", line, sizeof line);
        return std::string(line) + "\n";
    }
    gathering gathered;
    std::FILE* out = start_gathering(gathered);
    image_reader reader = read_image(img, fill);
    listing_text text{out, false, 0, false};
    if (walk_pages(image_bytes(reader), image_start(img), listing_consumer(text)) !=
            walk_status::complete ||
        !finish_listing(text)) {
        std::abort();
    }
    std::string listing = end_gathering(gathered);
    return listing;
}

// The blocks cut into pieces of up to 16 bytes, each given up to 64 or 20,000 times, in a random
// order: at most 60,000 bytes in all (a few thousand bytes given 25 times at least), whatever
// records they are then cut into.
std::vector<model_block> at_scale(chooser& c, const std::vector<model_block>& blocks) {
    std::size_t bytes = 0;
    for (const model_block& b : blocks) {
        bytes += b.bytes.size();
    }
    const std::size_t size = 1 + choose(c, 16);
    const std::size_t copies =
        std::min<std::size_t>(1 + choose(c, choose(c, 2) ? 64 : 20000), 60000 / bytes);
    std::vector<model_block> pieces;
    for (const model_block& b : blocks) {
        for (std::size_t i = 0; i < b.bytes.size(); i += size) {
            const auto first = b.bytes.begin() + static_cast<long>(i);
            const auto last = first + static_cast<long>(std::min(size, b.bytes.size() - i));
            pieces.insert(pieces.end(), 1 + choose(c, copies),
                          model_block{static_cast<std::uint32_t>(b.address + i), {first, last}});
        }
    }
    std::mt19937 order(choose(c, 1u << 31));
    std::shuffle(pieces.begin(), pieces.end(), order);
    return pieces;
}

std::string escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        out += c >= 0x20 && c < 0x7F && c != '\\'
                   ? std::string(1, c)
                   : printed("\\x%02X", static_cast<std::uint8_t>(c));
    }
    return out;
}

std::string utf16(const std::string& text, bool le) {
    std::string units = le ? "\xFF\xFE" : "\xFE\xFF";
    for (std::size_t i = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0; i < text.size(); ++i) {
        units += le ? std::string{text[i], '\0'} : std::string{'\0', text[i]};
    }
    return units;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    chooser c{data, size, 0};
    const auto format = static_cast<model_format>(choose(c, 4));
    // The damage is chosen first, while the fuzzer's bytes last.
    static const char interesting[] = ":S0123456789AaFfGg \t\r\n#;|$&xX-\0\xEF\xBB\xBF\xFF\xFE\x80";
    const unsigned damage = choose(c, 8);
    const std::uint32_t where = choose(c, 0x10000);
    std::string bytes(1 + choose(c, 4), '\0');
    for (char& byte : bytes) {
        byte = choose(c, 2) ? interesting[choose(c, sizeof interesting - 1)]
                            : static_cast<char>(choose(c, 256));
    }
    const unsigned start_kind = choose(c, 6);
    const std::optional<std::uint32_t> start =
        start_kind == 0   ? std::optional<std::uint32_t>(choose(c, std::uint64_t{1} << 32))
        : start_kind == 1 ? 0xFFFFFF00u + choose(c, 256)
        : start_kind == 2 ? std::optional<std::uint32_t>(choose(c, 0x10000))
                          : std::nullopt;
    const std::uint8_t fill = choose(c, 2) ? 0xFF : static_cast<std::uint8_t>(choose(c, 256));
    const std::size_t piece = choose(c, 2) ? 1 + choose(c, 64) : 4096;
    const bool unlabelled_first = format == model_format::hex && start && choose(c, 3) == 0;

    std::vector<model_block> blocks;
    std::map<std::uint32_t, std::uint8_t> intended;
    bool conflict = false;
    for (unsigned k = 0, count = format == model_format::prg ? 1 : 1 + choose(c, 4); k < count;
         ++k) {
        // Anywhere, near FFFFFFFF, past the block before (in its page or pages away), over a
        // block before, or low.
        const unsigned kind = format == model_format::prg ? 9 : choose(c, 5);
        const model_block* last = blocks.empty() ? nullptr : &blocks.back();
        std::uint32_t address =
            kind == 0           ? choose(c, std::uint64_t{1} << 32)
            : kind == 1         ? 0xFFFFFFFFu - choose(c, 64)
            : kind == 2 && last ? last->address + last->bytes.size() + choose(c, 600)
            : kind == 3 && last ? blocks[choose(c, blocks.size())].address + choose(c, 64)
                                : choose(c, format == model_format::prg ? 0x10000 : 0x20000);
        address = k == 0 && unlabelled_first ? *start : address;
        model_block b{address, {}};
        const std::size_t n = 1 + choose(c, choose(c, 4) == 0 ? 600 : 40);
        for (std::uint32_t i = 0; i < n; ++i) {
            const auto it = intended.find(address + i);
            b.bytes.push_back(it != intended.end() ? it->second
                                                   : static_cast<std::uint8_t>(choose(c, 256)));
        }
        const std::uint32_t other = choose(c, n);
        if (choose(c, 4) == 0 && intended.count(address + other) != 0) {
            b.bytes[other] ^= static_cast<std::uint8_t>(1 + choose(c, 255));
            conflict = true;
        }
        for (std::uint32_t i = 0; i < n; ++i) {
            intended.emplace(address + i, b.bytes[i]);
        }
        blocks.push_back(b);
    }

    if (format != model_format::prg && !unlabelled_first && choose(c, 8) == 0) {
        blocks = at_scale(c, blocks);
    }
    static const char* const ends[] = {"\n", "\r\n", "\r"};
    const std::string end = ends[choose(c, 3)];
    std::string text{static_cast<char>(blocks[0].address),
                     static_cast<char>(blocks[0].address >> 8)};
    text.append(blocks[0].bytes.begin(), blocks[0].bytes.end()); // a .prg
    bool too_long = false;
    if (format == model_format::hex) {
        text = write_hex(c, blocks, unlabelled_first, end);
        const std::size_t length = 4094 + choose(c, 6);
        too_long = choose(c, 16) == 0 && length > 4096;
        text += too_long ? "#" + std::string(length - 1, '-') + end : "";
        text = choose(c, 8) == 0 ? utf16(text, choose(c, 2) != 0) : text;
    } else if (format != model_format::prg) {
        text =
            format == model_format::ihex ? write_ihex(c, blocks, end) : write_srec(c, blocks, end);
    }
    const model_image written = read_model(format, text, start);
    if (!conflict && !too_long && (!written.error.empty() || written.bytes != intended)) {
        std::fprintf(stderr, "the model does not read back the image it wrote: %s\n\"%s\"\n",
                     written.error.c_str(), escaped(text).c_str());
        std::abort();
    }

    std::string damaged = text;
    const std::size_t at = where * (text.size() + 1) >> 16;
    std::vector<std::uint8_t> b(where % 9); // the bytes of a record, its checksum to come
    for (std::size_t i = 0; i < b.size(); ++i) {
        b[i] = static_cast<std::uint8_t>(bytes[i % bytes.size()] + i);
    }
    const unsigned type = static_cast<std::uint8_t>(bytes[0]);
    static const char* const marks[] = {"\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};
    switch (damage) {
    case 1:
        damaged.replace(at, bytes.size(), bytes);
        break;
    case 2:
        damaged.insert(at, bytes);
        break;
    case 3:
        damaged.erase(at, bytes.size());
        break;
    case 4:
        damaged.insert(0, marks[where % 3]);
        break;
    case 5:
        damaged.resize(at);
        break;
    case 6: { // a line of its own: a record of any type and length, its checksum right
        std::string line;
        if (format == model_format::ihex) { // length, address, type, data
            b.resize(std::max<std::size_t>(b.size(), 4));
            b[0] = static_cast<std::uint8_t>(b.size() - 4);
            b[3] = static_cast<std::uint8_t>(type % 8);
            line = record_line(c, ":", b, false);
        } else if (format == model_format::srec) {
            b.insert(b.begin(), static_cast<std::uint8_t>(b.size() + 1));
            line = record_line(c, "S" + std::to_string(type % 10), b, true);
        } else {
            line = hex_label(c, where * 16, false) + digits_of(b, false);
        }
        // At the start of the line that holds `at` (npos + 1 is 0).
        damaged.insert(at == 0 ? 0 : damaged.find_last_of("\r\n", at - 1) + 1, line + end);
        break;
    }
    default:
        break;
    }
    const model_image read = read_model(format, damaged, start);
    const std::string want =
        read.error.empty() ? model_image_listing(read, fill) : read.error + "\n";
    const std::string shown =
        printed("format %d, start %s%08X, fill %02X, piece %zu\n", static_cast<int>(format),
                start ? "" : "none ", start.value_or(0), fill, piece) +
        "file: \"" + escaped(damaged) + "\"\n";
    if (std::getenv("FUZZ_IMAGE_SHOW") != nullptr) {
        std::fputs(shown.c_str(), stderr);
    }
    const std::string got = pagetally_reads(format, damaged, start, fill, piece);
    if (got != want) {
        std::fprintf(stderr, "pagetally and the model differ\n%spagetally:\n%s\nmodel:\n%s\n",
                     shown.c_str(), got.c_str(), want.c_str());
        std::abort();
    }
    return 0;
}
