// A failed check named from the listing alone. Input: one byte for the image's size (2 to 32
// pages; bit 7 set: the image is linear in its address), one for the kind of fault, two for its
// parameters, two for the page of the start address, then bytes that begin the image (or its
// columns); a generator seeded from the whole input gives the rest of the image and any header.
//
// An image whose pages are all different, by their line data sums, is checked against its own
// listing after one fault: an address line of the page count (A8 up) or of the line within a
// page (A3 to A7) read as 0, as 1 or inverted, or two of them exchanged; two data lines
// exchanged, every data bit or one inverted; a header of 17 to 4096 bytes before the image; or
// the image as Intel HEX, S-record or hex text read as raw. Unless another start address fits,
// the report must end with exactly the first explanation that the model finds to fit, in the
// order the check tries them, in place of the byte traits, then the count of steps that differ.
#include "check/check.h"
#include "check_model.h"
#include "memory_input.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

// A page's line data sums (what a line's eight bytes add, modulo 256); -1 for a line that the
// page does not hold whole.
using line_sums = std::array<int, 32>;

// The pages of bytes placed at a page boundary; a page that holds no whole line counts too.
std::vector<line_sums> pages_of(const std::string& bytes) {
    std::vector<line_sums> pages((bytes.size() + 255) / 256);
    for (std::size_t p = 0; p < pages.size(); ++p) {
        for (std::size_t i = 0; i < 32; ++i) {
            const std::size_t at = 256 * p + 8 * i;
            int sum = at + 8 <= bytes.size() ? 0 : -1;
            for (std::size_t k = 0; sum >= 0 && k < 8; ++k) {
                sum = (sum + static_cast<unsigned char>(bytes[at + k])) & 0xFF;
            }
            pages[p][i] = sum;
        }
    }
    return pages;
}

enum fault_kind { reads_0, reads_1, inverted, exchanged };

// An address line's fault: page (or line) x holds the data of page (or line) mapped(x).
struct address_fault {
    unsigned kind, b, c;
};

unsigned mapped(const address_fault& f, unsigned x) {
    const unsigned bit = 1u << f.b;
    switch (f.kind) {
    case reads_0:
        return x & ~bit;
    case reads_1:
        return x | bit;
    case inverted:
        return x ^ bit;
    default:
        return (x >> f.b & 1) == (x >> f.c & 1) ? x : x ^ bit ^ 1u << f.c;
    }
}

bool pages_fit(const std::vector<line_sums>& image, const std::vector<line_sums>& listed,
               const address_fault& f) {
    for (unsigned p = 0; p < image.size(); ++p) {
        const unsigned q = mapped(f, p);
        if (q >= listed.size() || image[p] != listed[q]) {
            return false;
        }
    }
    return true;
}

bool lines_fit(const std::vector<line_sums>& image, const std::vector<line_sums>& listed,
               const address_fault& f) {
    for (std::size_t p = 0; p < image.size(); ++p) {
        for (unsigned i = 0; i < 32; ++i) {
            if (p >= listed.size() || image[p][i] != listed[p][mapped(f, i)]) {
                return false;
            }
        }
    }
    return true;
}

// The bits of the page count within the image's span.
unsigned page_bits(std::size_t pages) {
    unsigned bits = 0;
    while ((std::size_t{1} << bits) < pages) {
        ++bits;
    }
    return bits;
}

// The first address line, of pages then of lines, whose fault fits; "" when none does.
std::string address_line(const std::vector<line_sums>& image,
                         const std::vector<line_sums>& listed) {
    const struct {
        unsigned first, bits;
        bool (*fits)(const std::vector<line_sums>&, const std::vector<line_sums>&,
                     const address_fault&);
    } levels[] = {{8, page_bits(image.size()), pages_fit}, {3, 5, lines_fit}};
    const char* words[] = {" reads as 0", " reads as 1", " is inverted"};
    for (const auto& level : levels) {
        for (unsigned b = 0; b < level.bits; ++b) {
            for (unsigned kind = reads_0; kind <= inverted; ++kind) {
                if (level.fits(image, listed, {kind, b, 0})) {
                    return "address line A" + std::to_string(level.first + b) + words[kind];
                }
            }
        }
        for (unsigned b = 0; b < level.bits; ++b) {
            for (unsigned c = b + 1; c < level.bits; ++c) {
                if (level.fits(image, listed, {exchanged, b, c})) {
                    return "address lines A" + std::to_string(level.first + b) + " and A" +
                           std::to_string(level.first + c) + " are exchanged";
                }
            }
        }
    }
    return "";
}

// Bits b and c of every byte exchanged (b == c: none), then the bits of `flip` inverted.
std::string data_fault(std::string bytes, unsigned b, unsigned c, unsigned flip) {
    for (char& byte : bytes) {
        unsigned v = static_cast<unsigned char>(byte);
        v = (v >> b & 1) == (v >> c & 1) ? v : v ^ (1u << b | 1u << c);
        byte = static_cast<char>(v ^ flip);
    }
    return bytes;
}

std::string data_line(const std::string& image, const std::vector<line_sums>& listed) {
    for (unsigned b = 0; b < 8; ++b) {
        for (unsigned c = b + 1; c < 8; ++c) {
            if (pages_of(data_fault(image, b, c, 0)) == listed) {
                return "data lines D" + std::to_string(b) + " and D" + std::to_string(c) +
                       " are exchanged";
            }
        }
    }
    if (pages_of(data_fault(image, 0, 0, 0xFF)) == listed) {
        return "every data bit is inverted";
    }
    for (unsigned b = 0; b < 8; ++b) {
        if (pages_of(data_fault(image, 0, 0, 1u << b)) == listed) {
            return "data bit " + std::to_string(b) + " is inverted in every byte";
        }
    }
    return "";
}

// The smallest header that fits; the first line's sum rules out most sizes cheaply.
std::string header(const std::string& image, const std::vector<line_sums>& listed) {
    for (std::size_t h = 17; h <= 4096 && h + 8 <= image.size(); ++h) {
        const std::string rest = image.substr(h, 8);
        if (pages_of(rest)[0][0] == listed[0][0] && pages_of(image.substr(h)) == listed) {
            return "fits without its first " + std::to_string(h) + " bytes (a header)";
        }
    }
    return "";
}

// The first explanation that fits, after text: address lines, data lines, a header.
std::string first_explanation(const std::string& image, const std::vector<line_sums>& listed) {
    std::string found = address_line(pages_of(image), listed);
    found = found.empty() ? data_line(image, listed) : found;
    return found.empty() ? header(image, listed) : found;
}

// Whether the first byte may begin a line of text: printable ASCII, a blank or a line end, or a
// byte order mark's first byte. Such an image may read as text, which the model does not parse.
bool may_be_text(const std::string& image) {
    const auto first = static_cast<unsigned char>(image[0]);
    return (first >= 0x09 && first <= 0x0D) || (first >= 0x20 && first <= 0x7E) || first == 0xEF ||
           first >= 0xFE;
}

std::uint64_t next_random(std::uint64_t& state) {
    std::uint64_t z = state += 0x9E3779B97F4A7C15u;
    z = (z ^ z >> 30) * 0xBF58476D1CE4E5B9u;
    z = (z ^ z >> 27) * 0x94D049BB133111EBu;
    return z ^ z >> 31;
}

std::string random_bytes(std::size_t n, std::uint64_t& state) {
    std::string bytes(n, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(next_random(state));
    }
    return bytes;
}

// Byte x of the image: byte x mod 8 of a random line, with column j added (exclusive or) for
// each bit j of x from 3 up. A column is a single bit, all bits, none, or any; so that an address
// line's fault may also be a data line's, or a page's a line's, and the first in the order must be
// named. The columns are taken from `bytes`, then from the generator.
std::string linear_image(std::size_t n, const std::string& bytes, std::uint64_t& state) {
    const std::string line = random_bytes(8, state);
    unsigned column[13] = {};
    for (std::size_t j = 3; j < 13; ++j) {
        const unsigned c = j - 3 < bytes.size() ? static_cast<unsigned char>(bytes[j - 3])
                                                : next_random(state) & 0xFF;
        column[j] = c < 0x40 ? 1u << (c & 7) : c < 0x50 ? 0xFF : c < 0x60 ? 0 : c;
    }
    std::string image(n, '\0');
    for (std::size_t x = 0; x < n; ++x) {
        unsigned byte = static_cast<unsigned char>(line[x % 8]);
        for (std::size_t j = 3; j < 13; ++j) {
            byte ^= (x >> j & 1) != 0 ? column[j] : 0;
        }
        image[x] = static_cast<char>(byte);
    }
    return image;
}

// The image as text: 16 bytes a record of Intel HEX (0) or S-record (1), then the end record;
// or hex lines of 8 bytes with labels (2). Each line ends in LF, or CR LF.
std::string as_text(const std::string& image, std::uint32_t start, unsigned format, bool crlf) {
    std::string text;
    const std::size_t per_line = format == 2 ? 8 : 16;
    for (std::size_t at = 0; at < image.size(); at += per_line) {
        const std::uint32_t a = start + static_cast<std::uint32_t>(at);
        unsigned sum = (a >> 8 & 0xFF) + (a & 0xFF) + (format == 0 ? 16 : 19);
        std::string data;
        for (std::size_t k = at; k < at + per_line; ++k) {
            data += (format == 2 ? " " : "") + hex_byte(static_cast<unsigned char>(image[k]));
            sum += static_cast<unsigned char>(image[k]);
        }
        const std::string address = hex4(a & 0xFFFF);
        text += format == 0   ? ":10" + address + "00" + data + hex_byte(0x100 - (sum & 0xFF))
                : format == 1 ? "S113" + address + data + hex_byte(~sum)
                              : hex4(a) + ":" + data;
        text += crlf ? "\r\n" : "\n";
    }
    return text + (format == 0 ? ":00000001FF\n" : format == 1 ? "S9030000FC\n" : "");
}

struct fuzz_case {
    std::uint32_t start;
    std::string image;
    unsigned kind, p, q;
    std::uint64_t seed;
};

// An address line's fault applied: nothing when the image lacks the page or bits it names.
std::optional<std::string> address_faulty(const fuzz_case& c) {
    const bool lines = c.kind >= 4;
    const unsigned bits = lines ? 5 : page_bits(c.image.size() / 256);
    const unsigned kind = c.kind % 4;
    const unsigned other = kind == exchanged ? c.q % bits : c.p % bits;
    const address_fault f{kind, std::min(c.p % bits, other), std::max(c.p % bits, other)};
    if (kind == exchanged && f.b == f.c) {
        return std::nullopt;
    }
    std::string faulty = c.image;
    const std::size_t unit = lines ? 8 : 256;
    for (std::size_t at = 0; at < faulty.size(); at += unit) {
        const std::size_t from =
            lines ? at / 256 * 256 + 8 * mapped(f, at % 256 / 8)
                  : 256 * std::size_t{mapped(f, static_cast<unsigned>(at / 256))};
        if (from >= faulty.size()) {
            return std::nullopt;
        }
        faulty.replace(at, unit, c.image, from, unit);
    }
    return faulty;
}

// The image with the fault that the case names; `text` is set when it is text read as raw.
std::optional<std::string> with_fault(const fuzz_case& c, std::string& text) {
    std::uint64_t state = c.seed;
    switch (c.kind) {
    case 8:
        return data_fault(c.image, c.p % 8, c.q % 8, 0);
    case 9:
        return data_fault(c.image, 0, 0, 0xFF);
    case 10:
        return data_fault(c.image, 0, 0, 1u << c.p % 8);
    case 11:
        return random_bytes(17 + (c.p | c.q << 8) % 4080, state) + c.image;
    case 12: {
        const char* names[] = {"Intel HEX text; try --format ihex",
                               "S-record text; try --format srec", "hex text; try --format hex"};
        text = std::string("looks like ") + names[c.p % 3];
        return as_text(c.image, c.start, c.p % 3, c.q & 1);
    }
    default:
        return address_faulty(c);
    }
}

long read_image_at(void* state, std::uint64_t offset, void* buffer, std::size_t size) {
    const auto& image = *static_cast<const std::string*>(state);
    return static_cast<long>(image.copy(static_cast<char*>(buffer), size, offset));
}

// The check's page log, lent from chunks kept for the whole run: taking fresh memory for
// every input would cost more than the check itself.
std::unique_ptr<std::uint8_t[]> chunks[8];
bool lent[8];

std::uint8_t* take_chunk() {
    for (std::size_t i = 0; i < 8; ++i) {
        if (!lent[i]) {
            if (!chunks[i]) {
                chunks[i].reset(new std::uint8_t[image_chunk_size]);
            }
            lent[i] = true;
            return chunks[i].get();
        }
    }
    return nullptr;
}

void give_back_chunk(std::uint8_t* bytes) {
    for (std::size_t i = 0; i < 8; ++i) {
        lent[i] = lent[i] && chunks[i].get() != bytes;
    }
}

// Checks the raw image, named I, a regular file that can be read again, against the listing L.
std::string report_of(std::uint32_t start, const std::string& image, const std::string& listing,
                      check_status& status) {
    gathering gathered;
    std::FILE* out = start_gathering(gathered);
    text_input text{listing, listing.size(), false, 0};
    memory_input pages{image, 1000, false, 0};
    file_replay file{read_image_at, const_cast<std::string*>(&image), image.size(), 0};
    check_state* state = begin_check(check_request{
        text_source{read_piece, &text}, start, check_output{out, write_plain, "L", "I"},
        check_options{false, false, image_text{}, true, nullptr, file_again(file),
                      image_memory{take_chunk, give_back_chunk}}});
    status = end_check(state,
                       walk_pages(byte_source{next_piece, &pages}, start, check_consumer(*state)));
    std::string report = end_gathering(gathered);
    return report;
}

void expect(bool holds, const char* what, const std::string& report, const std::string& want) {
    if (!holds) {
        std::fprintf(stderr, "%s; the report:\n%s\nexpected:\n%s\n", what, report.c_str(),
                     want.c_str());
        std::abort();
    }
}

bool is_trait(const std::string& line) {
    unsigned bit = 0;
    char value = 0;
    char rest[32] = "";
    return line.compare(0, 16, "I: every byte is") == 0 ||
           line.compare(0, 20, "I: repeats its first") == 0 ||
           (std::sscanf(line.c_str(), "I: data bit %u is %c in every byt%31s", &bit, &value,
                        rest) == 3 &&
            (value == '0' || value == '1'));
}

// Steps and differing steps, when the pages stay in step, no slip is mended, and every report is
// shown: each pair that differs, and every page or line of the other side once one side ends.
bool counted(const std::vector<std::string>& pages, const std::vector<std::string>& listed,
             const std::vector<std::string>& lines, std::size_t& differ, std::size_t& steps) {
    for (const std::string& line : lines) {
        if (line.find("too many") != std::string::npos ||
            line.find("missing") != std::string::npos ||
            line.find("not shown") != std::string::npos) {
            return false;
        }
    }
    // Past the end of one side, every page of the other is a step that differs.
    const std::size_t both = std::min(pages.size(), listed.size());
    steps = std::max(pages.size(), listed.size());
    differ = steps - both;
    for (std::size_t i = 0; i < both; ++i) {
        differ += pages[i] != listed[i];
    }
    return in_step(pages, listed);
}

std::string joined_lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line + "\n";
    }
    return text;
}

void check_fault(const fuzz_case& c, const std::string& faulty, const std::string& explanation) {
    const std::vector<std::string> listed = listing_of(c.start, c.image);
    check_status status{};
    const std::string report = report_of(c.start, faulty, joined_lines(listed), status);
    if (report.compare(0, 22, "L: fits start address ") == 0) {
        return; // explanations are for a check that no other start address fits
    }
    const std::vector<std::string> lines = split_lines(report);
    const std::string want = "I: " + explanation;
    const std::size_t n = lines.size();
    expect(status == check_status::differ && n >= 2 && lines[n - 2] == want,
           "the fault was not named", report, want);
    std::size_t differ = 0, steps = 0;
    expect(std::sscanf(lines[n - 1].c_str(), "%zu of %zu pages differ", &differ, &steps) == 2 &&
               differ >= 1 && differ <= steps,
           "the last line is not a count of differing steps", report, "D of N pages differ");
    for (const std::string& line : lines) {
        expect(!is_trait(line), "a byte trait came with an explanation", report, want);
    }
    std::size_t want_differ = 0, want_steps = 0;
    if (counted(listing_of(c.start, faulty), listed, lines, want_differ, want_steps)) {
        const std::string count =
            std::to_string(want_differ) + " of " + std::to_string(want_steps) + " pages differ";
        expect(lines[n - 1] == count, "the steps were miscounted", report, count);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 6) {
        return 0;
    }
    std::uint64_t seed = 14695981039346656037u;
    for (std::size_t i = 0; i < size; ++i) {
        seed = (seed ^ data[i]) * 1099511628211u;
    }
    const std::size_t pages = 2 + (data[0] & 0x7F) % 31;
    const std::size_t given = std::min(size - 6, 256 * pages);
    const std::string bytes(reinterpret_cast<const char*>(data) + 6, given);
    const fuzz_case c{static_cast<std::uint32_t>(data[4] | data[5] << 8) << 8,
                      data[0] < 0x80 ? bytes + random_bytes(256 * pages - given, seed)
                                     : linear_image(256 * pages, bytes, seed),
                      data[1] % 13u,
                      data[2],
                      data[3],
                      seed};
    const std::vector<line_sums> listed = pages_of(c.image);
    if (std::set<line_sums>(listed.begin(), listed.end()).size() < listed.size()) {
        return 0;
    }
    std::string text;
    const std::optional<std::string> faulty = with_fault(c, text);
    if (!faulty || (text.empty() && (may_be_text(*faulty) || pages_of(*faulty) == listed))) {
        return 0; // a fault the image has no room for, one that changes nothing, or text
    }
    const std::string explanation = text.empty() ? first_explanation(*faulty, listed) : text;
    expect(!explanation.empty(), "the model fits no explanation to its own fault", "", "");
    check_fault(c, *faulty, explanation);
    return 0;
}
