// Writes the Intel HEX of an image file in records of N bytes, the last record first: the
// records of an image that a file gives in the worst order for its reader.
//
// usage: fragments N IMAGE >OUT.hex
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void record(std::FILE* out, unsigned type, unsigned offset, const unsigned char* data,
            std::size_t n) {
    unsigned sum = static_cast<unsigned>(n) + (offset >> 8) + (offset & 0xFF) + type;
    std::fprintf(out, ":%02X%04X%02X", static_cast<unsigned>(n), offset, type);
    for (std::size_t i = 0; i < n; ++i) {
        std::fprintf(out, "%02X", data[i]);
        sum += data[i];
    }
    std::fprintf(out, "%02X\n", (0x100 - sum % 0x100) % 0x100);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 || std::atoi(argv[1]) < 1 || std::atoi(argv[1]) > 255) {
        std::fprintf(stderr, "usage: fragments N IMAGE >OUT.hex\n");
        return 2;
    }
    const std::size_t n = static_cast<std::size_t>(std::atoi(argv[1]));
    std::FILE* in = std::fopen(argv[2], "rb");
    if (in == nullptr) {
        std::perror(argv[2]);
        return 1;
    }
    std::vector<unsigned char> image;
    unsigned char piece[65536];
    for (std::size_t got; (got = std::fread(piece, 1, sizeof piece, in)) > 0;) {
        image.insert(image.end(), piece, piece + got);
    }
    std::fclose(in);
    long segment = -1;
    for (std::size_t end = image.size(); end > 0;) {
        const std::size_t from = end > n ? (end - 1) / n * n : 0;
        if (static_cast<long>(from >> 16) != segment) {
            segment = static_cast<long>(from >> 16);
            const unsigned char high[2] = {static_cast<unsigned char>(segment >> 8),
                                           static_cast<unsigned char>(segment)};
            record(stdout, 4, 0, high, 2);
        }
        record(stdout, 0, from & 0xFFFF, image.data() + from, end - from);
        end = from;
    }
    record(stdout, 1, 0, nullptr, 0);
    return std::fclose(stdout) == 0 ? 0 : 1;
}
