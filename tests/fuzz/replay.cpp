// Runs a fuzz target once over each file of its corpus folder, as libFuzzer's -runs=0 does, for
// a build that has no libFuzzer (Windows). A target that finds a fault aborts, failing the run.
//
// usage: TARGET_replay CORPUS
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS\n", argv[0]);
        return 2;
    }
    std::error_code error;
    std::size_t runs = 0;
    for (std::filesystem::directory_iterator entry(argv[1], error), end; !error && entry != end;
         entry.increment(error)) {
        if (!entry->is_regular_file()) {
            continue;
        }
        std::ifstream in(entry->path(), std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
        if (in.bad()) {
            std::fprintf(stderr, "%s: cannot read\n", entry->path().string().c_str());
            return 1;
        }
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        ++runs;
    }
    if (error) {
        std::fprintf(stderr, "%s: %s\n", argv[1], error.message().c_str());
    }
    std::printf("%zu inputs\n", runs);
    return !error && runs > 0 ? 0 : 1;
}
