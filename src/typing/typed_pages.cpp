#include "typing/typed_pages.h"

#include "check/check_pair.h"

#include <cstdlib>

bool make_pages(typed_pages& typed, const listing_table& table) {
    typed.table = &table;
    typed.count = 0;
    typed.origin = 0;
    const std::size_t n = table.pages.count == 0 ? 1 : table.pages.count;
    typed.pages = static_cast<typed_page*>(std::calloc(n, sizeof(typed_page)));
    return typed.pages != nullptr;
}

void free_pages(typed_pages& typed) {
    std::free(typed.pages);
    typed.pages = nullptr;
}

typed_page* typed_page_at(const typed_pages& typed, std::uint32_t address) {
    const table_page* page = page_at(*typed.table, address);
    return page == nullptr ? nullptr : &typed.pages[index_of(*typed.table, *page)];
}

namespace {

bool typed_at(const typed_page& page, unsigned position) {
    return (page.typed[position / 64] >> (position % 64) & 1) != 0;
}

} // namespace

bool is_typed(const typed_pages& typed, std::uint32_t address) {
    const typed_page* page = typed_page_at(typed, address);
    return page != nullptr && typed_at(*page, address & 0xFF);
}

std::uint32_t next_untyped(const typed_pages& typed, std::uint32_t address) {
    const std::uint32_t from = address;
    while (is_typed(typed, address) && address + 1 != from) {
        ++address;
    }
    return address;
}

void put_typed(typed_pages& typed, std::uint32_t address, const std::uint8_t* bytes,
               std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t at = address + static_cast<std::uint32_t>(i);
        typed_page* page = typed_page_at(typed, at);
        if (page == nullptr || typed_at(*page, at & 0xFF)) {
            continue;
        }
        page->bytes[at & 0xFF] = bytes[i];
        page->typed[(at & 0xFF) / 64] |= std::uint64_t{1} << (at & 63);
        ++typed.count;
    }
}

void take_typed(typed_pages& typed, std::uint32_t address, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t at = address + static_cast<std::uint32_t>(i);
        typed_page* page = typed_page_at(typed, at);
        if (page == nullptr || !typed_at(*page, at & 0xFF)) {
            continue;
        }
        page->bytes[at & 0xFF] = 0;
        page->typed[(at & 0xFF) / 64] &= ~(std::uint64_t{1} << (at & 63));
        page->forced &= ~(std::uint32_t{1} << ((at & 0xFF) / line_size));
        --typed.count;
    }
}

unsigned first_listed(const typed_pages& typed, const table_page& page) {
    const unsigned index = (typed.origin & 0xFF) / line_size;
    const bool first_page = (typed.origin & ~std::uint32_t{0xFF}) == page.address;
    const unsigned count = page.line.count;
    return first_page && count < lines_per_page && index + count <= lines_per_page ? index : 0;
}

line_view view_line(const typed_pages& typed, std::uint32_t address) {
    line_view v{};
    const std::uint32_t line = address & ~std::uint32_t{line_size - 1};
    v.address = line;
    v.page = page_at(*typed.table, line);
    const typed_page* page = typed_page_at(typed, line);
    if (page == nullptr || typed.count == 0) {
        return v;
    }
    const unsigned index = (line & 0xFF) / line_size;
    unsigned before_first = 0; // positions before the first typed byte, in its line
    for (unsigned i = 0; i < line_size; ++i) {
        if (typed_at(*page, (line & 0xFF) + i)) {
            v.typed |= 1u << i;
            v.bytes[i] = page->bytes[(line & 0xFF) + i];
        } else if (line + i < typed.origin && (typed.origin & ~std::uint32_t{7}) == line) {
            before_first |= 1u << i;
        }
    }
    v.complete = v.typed != 0 && (v.typed | before_first) == 0xFF;
    v.checksum = line_seed(line);
    for (const std::uint8_t byte : v.bytes) {
        v.checksum = static_cast<std::uint8_t>(v.checksum + byte);
    }
    const listing_line& listed = v.page->line;
    const unsigned first = first_listed(typed, *v.page);
    v.listed = listed.kind == line_kind::page && index >= first && index < first + listed.count;
    v.listed_checksum = v.listed ? listed.checksum[index - first] : 0;
    v.forced = (page->forced >> index & 1) != 0;
    return v;
}

page_view view_page(const typed_pages& typed, const table_page& page) {
    page_view v{};
    const typed_page& bytes = typed.pages[index_of(*typed.table, page)];
    for (const std::uint64_t word : bytes.typed) {
        v.any_typed = v.any_typed || word != 0;
    }
    const bool listed = page.line.kind == line_kind::page && page.earlier == 0;
    // A line of the total alone stands for every line of the page.
    const bool total_alone = listed && page.line.count == 0;
    const unsigned first = total_alone ? 0 : first_listed(typed, page);
    v.listed = listed && !total_alone ? page.line.count : lines_per_page;
    unsigned total = 0;
    unsigned differing = 0;
    for (unsigned i = first; i < first + v.listed && i < lines_per_page; ++i) {
        const line_view line = view_line(typed, page.address + line_size * i);
        v.lines += line.complete ? 1 : 0;
        differing += line.listed && line.checksum != line.listed_checksum ? 1 : 0;
        total +=
            line.complete
                ? static_cast<unsigned>(line.checksum - line_seed(page.address + line_size * i))
                : 0;
    }
    v.total = static_cast<std::uint8_t>(total);
    // A total of 00 alone is of a page that holds no whole line, as at a program's end.
    v.complete = total_alone && page.line.total == 0 ? v.any_typed : v.lines == v.listed;
    // One checksum of a listing line that does not add up may be the listing's mistake: the
    // total, which agrees, says the typed page is right.
    const bool listing_mistyped = differing == 1 && !adds_up(page.line, page.address, first);
    v.matches =
        listed && v.complete && v.total == page.line.total && (differing == 0 || listing_mistyped);
    return v;
}
