#include "walk/page_sums.h"

#include <cstring>
#include <new>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define PAGETALLY_AVX2_SUMS 1
#endif

namespace {

// The sum of a line's eight bytes, at most 8 * 255. The bytes are added in parallel within one
// 64-bit word: pairs into four 16-bit lanes, then the lanes by one multiplication into the top
// lane. The result is the same in either byte order. Measured 1.13x faster over a whole run than
// adding the bytes one by one.
std::uint32_t line_data_sum(const std::uint8_t* line) {
    std::uint64_t word;
    std::memcpy(&word, line, sizeof word);
    const std::uint64_t pairs = (word & 0x00FF00FF00FF00FFu) + ((word >> 8) & 0x00FF00FF00FF00FFu);
    return static_cast<std::uint32_t>((pairs * 0x0001000100010001u) >> 48);
}

#if PAGETALLY_AVX2_SUMS
// The AND and the OR of whole pages' bytes. Both reduce together: the OR is the complement of
// the AND of the complements.
__attribute__((target("avx2"))) void bits_avx2(const std::uint8_t* pages, std::size_t count,
                                               page_sums* sums) {
    for (std::size_t i = 0; i < count; ++i, pages += page_size) {
        __m256i all_and = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pages));
        __m256i all_or = all_and;
        for (std::size_t k = 1; k < 8; ++k) {
            const __m256i bytes =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pages + 32 * k));
            all_and = _mm256_and_si256(all_and, bytes);
            all_or = _mm256_or_si256(all_or, bytes);
        }
        const __m128i a =
            _mm_and_si128(_mm256_castsi256_si128(all_and), _mm256_extracti128_si256(all_and, 1));
        const __m128i o = _mm_xor_si128(
            _mm_or_si128(_mm256_castsi256_si128(all_or), _mm256_extracti128_si256(all_or, 1)),
            _mm_set1_epi8(-1));
        __m128i both = _mm_and_si128(_mm_unpacklo_epi64(a, o), _mm_unpackhi_epi64(a, o));
        both = _mm_and_si128(both, _mm_srli_epi64(both, 32));
        both = _mm_and_si128(both, _mm_srli_epi64(both, 16));
        both = _mm_and_si128(both, _mm_srli_epi64(both, 8));
        sums[i].bits_and = static_cast<std::uint8_t>(_mm_extract_epi8(both, 0));
        sums[i].bits_or = static_cast<std::uint8_t>(~_mm_extract_epi8(both, 8));
    }
}

// A whole page at once: each vpsadbw sums four lines' bytes into 64-bit lanes, three packs bring
// the 32 sums down to their low bytes (in the order line pairs 0, 2, ..., 14 | 1, 3, ..., 15,
// which one 16-bit interleave of the two halves restores), and the seeds are added as bytes.
// The total's low byte is the low byte of the sum of those 32 bytes. Measured 1.49x faster over a
// whole run than the word-parallel lines, and 1.03x faster than the same with SSE2.
__attribute__((target("avx2"))) void sum_whole_page(const std::uint8_t* block,
                                                    std::uint32_t page_seed, page_sums& sums) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i s[8];
    for (std::size_t k = 0; k < 8; ++k) {
        s[k] = _mm256_sad_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 32 * k)),
                               zero);
    }
    // Each sum is at most 8 * 255, so the signed saturating packs never saturate.
    const __m256i low_byte = _mm256_set1_epi16(0xFF);
    const __m256i words0 =
        _mm256_packs_epi32(_mm256_packs_epi32(s[0], s[1]), _mm256_packs_epi32(s[2], s[3]));
    const __m256i words1 =
        _mm256_packs_epi32(_mm256_packs_epi32(s[4], s[5]), _mm256_packs_epi32(s[6], s[7]));
    const __m256i bytes =
        _mm256_packus_epi16(_mm256_and_si256(words0, low_byte), _mm256_and_si256(words1, low_byte));
    const __m128i even = _mm256_castsi256_si128(bytes);
    const __m128i odd = _mm256_extracti128_si256(bytes, 1);
    // Line i is seeded with page_seed + 8 * i.
    const __m128i seeds = _mm_add_epi8(
        _mm_set1_epi8(static_cast<char>(page_seed)),
        _mm_setr_epi8(0, 8, 16, 24, 32, 40, 48, 56, 64, 72, 80, 88, 96, 104, 112, 120));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(sums.line),
                     _mm_add_epi8(_mm_unpacklo_epi16(even, odd), seeds));
    _mm_storeu_si128(
        reinterpret_cast<__m128i*>(sums.line + 16),
        _mm_add_epi8(_mm_unpackhi_epi16(even, odd), _mm_add_epi8(seeds, _mm_set1_epi8(-128))));
    const __m128i total = _mm_add_epi64(_mm_sad_epu8(even, _mm_setzero_si128()),
                                        _mm_sad_epu8(odd, _mm_setzero_si128()));
    sums.total = static_cast<std::uint8_t>(
        _mm_cvtsi128_si32(_mm_add_epi64(total, _mm_unpackhi_epi64(total, total))) & 0xFF);
}

// One call for a run of pages, so the page's function inlines into the loop: measured 1.06x
// faster over a whole run than a call per page.
__attribute__((target("avx2"))) void sum_pages_avx2(const std::uint8_t* pages, std::size_t count,
                                                    std::uint32_t address, page_sums* sums) {
    for (std::size_t i = 0; i < count; ++i, pages += page_size, address += page_size) {
        sums[i].first = 0;
        sums[i].count = lines_per_page;
        sums[i].bytes = page_size;
        sums[i].next_address = address + page_size;
        sums[i].block = pages;
        sums[i].from = 0;
        sum_whole_page(pages, (address >> 8) & 0xFFu, sums[i]);
    }
}

// The binary runs on any x86-64: AVX2 is used where the processor has it.
const bool has_avx2 = __builtin_cpu_supports("avx2");
#endif

} // namespace

page_sums sum_page(const std::uint8_t* block, std::uint32_t address, std::size_t n) {
    const unsigned offset = address & 0xFFu;
    const std::uint32_t page_base = address - offset;
    page_sums sums{};
    sums.bytes = static_cast<unsigned>(n);
    sums.block = block;
    sums.from = offset;
    sums.first = offset / line_size;
    sums.count = static_cast<unsigned>((offset + n) / line_size) - sums.first;
    sums.next_address = sums.count == 0 ? address : page_base + 8u * (sums.first + sums.count);

    const std::uint32_t page_seed = (page_base >> 8) & 0xFFu;
#if PAGETALLY_AVX2_SUMS
    if (sums.count == lines_per_page && has_avx2) {
        sum_whole_page(block, page_seed, sums);
        return sums;
    }
#endif
    std::uint32_t total = 0;
    for (unsigned i = sums.first; i < sums.first + sums.count; ++i) {
        const std::uint32_t data = line_data_sum(block + i * line_size);
        sums.line[i] = static_cast<std::uint8_t>((page_seed + i * line_size + data) & 0xFFu);
        total += data;
    }
    sums.total = static_cast<std::uint8_t>(total & 0xFFu);
    return sums;
}

void sum_whole_pages(const std::uint8_t* pages, std::size_t count, std::uint32_t address,
                     page_sums* sums) {
#if PAGETALLY_AVX2_SUMS
    if (has_avx2) {
        sum_pages_avx2(pages, count, address, sums);
        return;
    }
#endif
    for (std::size_t i = 0; i < count; ++i) {
        ::new (&sums[i]) page_sums(sum_page(pages + i * page_size, address, page_size));
        address += page_size;
    }
}

void page_bits(const std::uint8_t* bytes, std::size_t n, page_sums& sums) {
    std::uint8_t all_and = 0xFF;
    std::uint8_t all_or = 0;
    for (std::size_t i = 0; i < n; ++i) {
        all_and &= bytes[i];
        all_or |= bytes[i];
    }
    sums.bits_and = all_and;
    sums.bits_or = all_or;
}

void whole_page_bits(const std::uint8_t* pages, std::size_t count, page_sums* sums) {
#if PAGETALLY_AVX2_SUMS
    if (has_avx2) {
        bits_avx2(pages, count, sums);
        return;
    }
#endif
    for (std::size_t i = 0; i < count; ++i) {
        page_bits(pages + i * page_size, page_size, sums[i]);
    }
}
