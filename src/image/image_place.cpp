// Where an image's runs lie: its first address in the address space's circular order, and the
// image placed from there.

#include "image/image.h"

#include "image/image_runs.h"

#include <algorithm>

std::uint32_t first_address(image& image) {
    if (image_empty(image)) {
        return 0;
    }
    image_run* runs = begin(image.runs);
    std::sort(runs, end(image.runs),
              [](const image_run& a, const image_run& b) { return a.address < b.address; });
    // The stretch that holds no byte from each run's end to the next run, past FFFFFFFF for the
    // last: the first address is the one after the largest.
    std::size_t first = 0;
    std::uint64_t largest = 0;
    for (std::size_t k = 0; k < image.runs.count; ++k) {
        const image_run& run = runs[k];
        const std::uint64_t next =
            k + 1 < image.runs.count ? runs[k + 1].address : runs[0].address + address_space;
        const std::uint64_t gap = next - (std::uint64_t{run.address} + run.size);
        if (gap > largest || (k + 1 == image.runs.count && gap == largest)) {
            largest = gap;
            first = (k + 1) % image.runs.count;
        }
    }
    return runs[first].address;
}

void place_image(image& image, std::uint32_t base, std::uint32_t origin) {
    image.base = base;
    image.origin = origin;
    std::sort(begin(image.runs), end(image.runs), [&image](const image_run& a, const image_run& b) {
        return offset_of(image, a) < offset_of(image, b);
    });
    for (image_note& note : image.notes) {
        note.address = origin + (note.address - base);
        note.from = origin + (note.from - base);
    }
    std::stable_sort(begin(image.notes), end(image.notes),
                     [&image](const image_note& a, const image_note& b) {
                         return a.address - image.origin < b.address - image.origin;
                     });
}
