#include "typing/listing_table.h"

#include "text/characters.h"

#include <algorithm>
#include <cstring>

namespace {

// The line's text, kept as a check would read it: a line too long to keep stays too long.
bool keep_text(listing_table& table, const text_line& line) {
    const std::size_t n = line.text == nullptr ? text_line_max + 1 : line.length;
    if (!reserve(table.text, table.text.count + n + 1)) {
        return false;
    }
    char* at = table.text.items + table.text.count;
    if (line.text == nullptr) {
        std::memset(at, 'x', n);
    } else {
        std::memcpy(at, line.text, n);
    }
    at[n] = '\n';
    table.text.count += n + 1;
    return true;
}

std::uint32_t label_value(const char* label) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; label[i] != '\0'; ++i) {
        value = value << 4 | static_cast<std::uint32_t>(hex_digit_value(label[i]));
    }
    return value;
}

} // namespace

table_status read_table(text_reader& in, listing_table& table) {
    text_line text{};
    bool checksum_line = false;
    while (read_line(in, text)) {
        if (!keep_text(table, text)) {
            return table_status::no_memory;
        }
        const listing_line line = read_listing_line(text);
        if (line.kind == line_kind::skip) {
            continue;
        }
        checksum_line = checksum_line || line.kind == line_kind::page;
        if (!push(table.pages, table_page{line, text.number, 0, table.text.count, 0})) {
            return table_status::no_memory;
        }
    }
    if (in.failed) {
        return table_status::read_failed;
    }
    return checksum_line ? table_status::read : table_status::no_checksum_lines;
}

std::optional<std::uint32_t> first_label(const listing_table& table) {
    if (table.pages.count == 0 || table.pages.items[0].line.label[0] == '\0') {
        return std::nullopt;
    }
    return label_value(table.pages.items[0].line.label) & ~std::uint32_t{0xFF};
}

bool place_table(listing_table& table, std::uint32_t first_page) {
    std::uint32_t next = first_page & ~std::uint32_t{0xFF};
    table.order.count = 0;
    for (std::size_t i = 0; i < table.pages.count; ++i) {
        table_page& page = table.pages.items[i];
        const bool labelled = page.line.label[0] != '\0';
        page.address = labelled ? label_value(page.line.label) & ~std::uint32_t{0xFF} : next;
        page.earlier = 0;
        next = page.address + 0x100;
        if (!push(table.order, i)) {
            return false;
        }
    }
    table_page* pages = table.pages.items;
    std::stable_sort(begin(table.order), end(table.order), [pages](std::size_t a, std::size_t b) {
        return pages[a].address < pages[b].address;
    });
    for (std::size_t i = 1; i < table.order.count; ++i) {
        table_page& page = pages[table.order.items[i]];
        const table_page& before = pages[table.order.items[i - 1]];
        if (page.address == before.address) {
            page.earlier = before.earlier != 0 ? before.earlier : before.number;
        }
    }
    return true;
}

const table_page* page_at(const listing_table& table, std::uint32_t address) {
    const std::uint32_t page = address & ~std::uint32_t{0xFF};
    const table_page* pages = table.pages.items;
    const std::size_t* found =
        std::lower_bound(begin(table.order), end(table.order), page,
                         [pages](std::size_t i, std::uint32_t a) { return pages[i].address < a; });
    return found != end(table.order) && pages[*found].address == page ? &pages[*found] : nullptr;
}

std::size_t index_of(const listing_table& table, const table_page& page) {
    return static_cast<std::size_t>(&page - table.pages.items);
}
