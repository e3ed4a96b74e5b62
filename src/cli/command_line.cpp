#include "cli/command_line.h"

#include "text/characters.h"

#include <cstring>

namespace {

bool is(const char* argument, const char* word) {
    return std::strcmp(argument, word) == 0;
}

bool is_option(const char* argument) {
    return std::strncmp(argument, "--", 2) == 0;
}

// "--name" or "--name=value": whether `argument` names option `name`; `value` is the text after
// "=", or null without one.
bool names(const char* argument, const char* name, const char*& value) {
    const std::size_t n = std::strlen(name);
    if (std::strncmp(argument + 2, name, n) != 0 ||
        (argument[2 + n] != '\0' && argument[2 + n] != '=')) {
        return false;
    }
    value = argument[2 + n] == '=' ? argument + 3 + n : nullptr;
    return true;
}

bool read_fill(const char* text, std::uint8_t& fill) {
    if (text == nullptr || std::strlen(text) != 2 || hex_digit_value(text[0]) < 0 ||
        hex_digit_value(text[1]) < 0) {
        return false;
    }
    fill = static_cast<std::uint8_t>(hex_digit_value(text[0]) << 4 | hex_digit_value(text[1]));
    return true;
}

struct options {
    request asked;
    bool check;   // --check came
    bool refused; // an option that does not exist, or lacks its value
    int next;     // the first argument after the options
    bool ended;   // by "--"
};

// Reads the option at arguments[i], with its value from the next argument when it takes one
// and has no "=".
void read_option(int count, const char* const* arguments, options& o) {
    const char* argument = arguments[o.next++];
    const char* value = nullptr;
    const auto take_value = [&]() {
        if (value == nullptr && o.next < count) {
            value = arguments[o.next++];
        }
        o.refused = o.refused || value == nullptr;
        return value != nullptr;
    };
    if (names(argument, "check", value)) {
        o.check = true;
        o.asked.listing = take_value() ? value : nullptr;
    } else if (names(argument, "format", value)) {
        if (take_value()) {
            const auto format = format_named(value);
            o.asked.format = format.value_or(image_format::raw);
            o.asked.format_name = format ? nullptr : value;
        }
    } else if (names(argument, "all", value)) {
        o.asked.all_reports = true;
        o.refused = o.refused || value != nullptr;
    } else if (names(argument, "fill", value)) {
        o.refused = o.refused || !take_value() || !read_fill(value, o.asked.fill);
    } else {
        o.refused = true;
    }
}

request refused(bool check) {
    return request{command::usage,    check,   nullptr, nullptr, nullptr,
                   image_format::raw, nullptr, 0xFF,    false};
}

// Takes the file name, and the start address before it unless the format gives its addresses,
// from the arguments after the options.
request read_operands(int count, const char* const* arguments, options& o) {
    const bool start_given = count - o.next >= 2 || o.asked.format == image_format::raw;
    const int file = o.next + (start_given ? 1 : 0);
    // An option among or after them is misplaced; a misplaced --check is refused as a check.
    bool misplaced = false;
    for (int i = o.next; i < count; ++i) {
        const char* value = nullptr;
        if (is_option(arguments[i]) && (i > file || !o.ended)) {
            misplaced = true;
            o.check = o.check || names(arguments[i], "check", value);
        }
    }
    o.asked.check_form = o.check;
    if (o.asked.format_name != nullptr) {
        o.asked.what = command::unknown_format;
        return o.asked;
    }
    if (o.refused || misplaced || file >= count ||
        (o.check && is(o.asked.listing, "-") && is(arguments[file], "-"))) {
        return refused(o.check);
    }
    o.asked.what = o.check ? command::check : command::list;
    o.asked.start = start_given ? arguments[o.next] : nullptr;
    o.asked.image = arguments[file];
    return o.asked;
}

} // namespace

request read_request(int count, const char* const* arguments) {
    options o{refused(false), false, false, 1, false};
    while (o.next < count && is_option(arguments[o.next]) && !o.ended) {
        const char* argument = arguments[o.next];
        if (is(argument, "--")) {
            o.ended = true;
            ++o.next;
        } else if (is(argument, "--help") || is(argument, "--version")) {
            o.asked.what = is(argument, "--help") ? command::help : command::version;
            return o.asked;
        } else {
            read_option(count, arguments, o);
        }
    }
    if (o.next < count && is(arguments[o.next], "-h") && !o.ended) {
        o.asked.what = command::help;
        return o.asked;
    }
    return read_operands(count, arguments, o);
}
