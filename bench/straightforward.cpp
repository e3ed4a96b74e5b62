// The plain reading of the listing, for the benchmark to compare with: one fread per page into a
// cleared block, one printf per checksum, default stdio buffers. Correct for start addresses that
// are multiples of 8.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc <= 2) {
        std::puts("usage: straightforward start-address file-name");
        return 1;
    }
    std::uint32_t address = std::strtoul(argv[1], nullptr, 16);
    std::FILE* in = std::fopen(argv[2], "rb");
    if (in == nullptr) {
        std::printf("cannot open %s\n", argv[2]);
        return 1;
    }
    unsigned char block[256];
    for (;;) {
        std::memset(block, 0, sizeof block);
        const unsigned offset = address & 0xFF;
        const std::size_t n = std::fread(block + offset, 1, 256 - offset, in);
        if (n == 0) {
            break;
        }
        std::uint32_t total = 0;
        const unsigned first = (address >> 3) & 0x1F;
        for (unsigned i = first; i < first + n / 8; ++i) {
            std::uint32_t sum = (address >> 8) + (address & 0xFF);
            for (unsigned j = 0; j < 8; ++j) {
                sum += block[8 * i + j];
                total += block[8 * i + j];
                ++address;
            }
            std::printf("%02X ", static_cast<unsigned>(sum & 0xFF));
        }
        std::printf(": %02X\n", static_cast<unsigned>(total & 0xFF));
    }
    std::fclose(in);
    return 0;
}
