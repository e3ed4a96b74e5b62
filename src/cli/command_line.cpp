#include "cli/command_line.h"

#include "text/characters.h"

#include <cstring>

namespace {

bool is(const char* argument, const char* word) {
    return std::strcmp(argument, word) == 0;
}

bool is_letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// "--" and a name, or "-" and a letter: "-10" is a number, "-" standard input.
bool is_option(const char* argument) {
    return argument[0] == '-' && (argument[1] == '-' || is_letter(argument[1]));
}

// The short options, each the long one it stands for.
constexpr struct {
    const char* short_name;
    const char* long_name;
} short_options[] = {
    {"-c", "--check"}, {"-t", "--type"}, {"-f", "--format"}, {"-a", "--all"}, {"-h", "--help"}};

// The option's long form: a short option's, or itself.
const char* long_form(const char* argument) {
    for (const auto& option : short_options) {
        if (std::strcmp(argument, option.short_name) == 0) {
            return option.long_name;
        }
    }
    return argument;
}

// "--name" or "--name=value": whether `argument` names option `name`; `value` is the text after
// "=", or null without one.
bool names(const char* argument, const char* name, const char*& value) {
    const std::size_t n = std::strlen(name);
    if (std::strncmp(argument, "--", 2) != 0 || std::strncmp(argument + 2, name, n) != 0 ||
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
    bool check;    // --check came
    bool type;     // --type came
    bool format;   // --format came
    bool refused;  // an option that does not exist, or lacks its value
    int next;      // the first argument after the options
    bool ended;    // by "--"
    bool to_given; // --to named a format
};

// Reads the option at arguments[i], with its value from the next argument when it takes one
// and has no "=".
void read_option(int count, const char* const* arguments, options& o) {
    const char* typed = arguments[o.next++];
    const char* argument = long_form(typed);
    const char* value = nullptr;
    const auto take_value = [&]() {
        if (value == nullptr && o.next < count) {
            value = arguments[o.next++];
        }
        o.refused = o.refused || value == nullptr;
        return value != nullptr;
    };
    if (names(argument, "check", value)) { // a check or typing, not both
        o.refused = o.refused || o.type;
        o.check = true;
        o.asked.listing = take_value() ? value : nullptr;
    } else if (names(argument, "type", value)) {
        o.refused = o.refused || o.check;
        o.type = true;
        o.asked.listing = take_value() ? value : nullptr;
    } else if (names(argument, "format", value)) {
        o.format = true;
        if (take_value()) {
            const auto format = format_named(value);
            o.asked.format = format.value_or(image_format::raw);
            o.asked.format_name = format ? o.asked.format_name : value;
        }
    } else if (names(argument, "all", value)) {
        o.asked.all_reports = true;
        o.refused = o.refused || value != nullptr;
    } else if (names(argument, "write", value)) {
        o.asked.write_name = take_value() ? value : nullptr;
    } else if (names(argument, "to", value)) {
        if (take_value()) {
            const auto format = format_named(value);
            o.to_given = format.has_value();
            o.asked.write_format = format.value_or(image_format::raw);
            o.asked.format_name = format ? o.asked.format_name : value;
        }
    } else if (names(argument, "fill", value)) {
        o.refused = o.refused || !take_value() || !read_fill(value, o.asked.fill);
    } else if (o.asked.option == nullptr) {
        o.asked.option = typed;
        const char* equals = typed[1] == '-' ? std::strchr(typed, '=') : nullptr;
        o.asked.option_length =
            equals != nullptr ? static_cast<std::size_t>(equals - typed) : std::strlen(typed);
    }
}

request refused(bool check, bool type = false) {
    request r{};
    r.what = command::usage;
    r.check_form = check;
    r.type_form = type;
    r.format = image_format::raw;
    r.fill = 0xFF;
    return r;
}

// Takes the file name, and the start address before it unless the format gives its addresses,
// from the arguments after the options.
request read_operands(int count, const char* const* arguments, options& o) {
    const bool start_given =
        count - o.next >= 2 || (o.asked.format == image_format::raw && !o.type);
    const int file = o.next + (start_given ? 1 : 0);
    // An option among or after them is misplaced; a misplaced --check or --type is refused as
    // one. A check and typing end with a check's statuses.
    bool misplaced = false;
    bool check_form = o.check || o.type;
    for (int i = o.next; i < count; ++i) {
        const char* value = nullptr;
        if (is_option(arguments[i]) && (i > file || !o.ended)) {
            misplaced = true;
            check_form = check_form || names(long_form(arguments[i]), "check", value) ||
                         names(long_form(arguments[i]), "type", value);
        }
    }
    o.asked.check_form = check_form;
    o.asked.type_form = o.type;
    if (o.asked.option != nullptr) {
        o.asked.what = command::unknown_option;
        return o.asked;
    }
    if (o.asked.format_name != nullptr) {
        o.asked.what = command::unknown_format;
        return o.asked;
    }
    if (o.refused || misplaced || file >= count) {
        return refused(check_form, o.type);
    }
    // The typed lines come from standard input: the listing cannot, and the typed text, which
    // is written, is a file. Its format is hex.
    const bool typed_format = !o.format || o.asked.format == image_format::hex;
    if (o.type && (is(arguments[file], "-") || is(o.asked.listing, "-") || !typed_format)) {
        return refused(true, true);
    }
    if (o.check && is(o.asked.listing, "-") && is(arguments[file], "-")) {
        o.asked.what = command::both_standard_input;
        return o.asked;
    }
    // A check's reports go to standard output, so its image cannot; --to names the format of
    // an image written.
    if ((o.asked.write_name != nullptr && check_form && is(o.asked.write_name, "-")) ||
        (o.to_given && o.asked.write_name == nullptr)) {
        return refused(check_form, o.type);
    }
    if (o.asked.write_name != nullptr && !o.to_given) {
        const auto format = format_of_extension(o.asked.write_name);
        o.asked.write_format = format.value_or(image_format::raw);
        if (!format) {
            o.asked.what = command::unnamed_write_format;
            return o.asked;
        }
    }
    o.asked.what = o.type ? command::type : o.check ? command::check : command::list;
    o.asked.format = o.type ? image_format::hex : o.asked.format;
    o.asked.start = start_given ? arguments[o.next] : nullptr;
    o.asked.image = arguments[file];
    return o.asked;
}

} // namespace

std::optional<image_format> format_of_extension(const char* name) {
    const char* dot = std::strrchr(name, '.');
    const char* slash = std::strrchr(name, '/');
    const char* backslash = std::strrchr(name, '\\');
    if (dot == nullptr || (slash != nullptr && slash > dot) ||
        (backslash != nullptr && backslash > dot)) {
        return std::nullopt;
    }
    constexpr struct {
        const char* extension;
        image_format format;
    } extensions[] = {
        {"bin", image_format::raw},   {"rom", image_format::raw},   {"raw", image_format::raw},
        {"prg", image_format::prg},   {"ihex", image_format::ihex}, {"ihx", image_format::ihex},
        {"srec", image_format::srec}, {"s19", image_format::srec},  {"s28", image_format::srec},
        {"s37", image_format::srec},  {"mot", image_format::srec},  {"txt", image_format::hex}};
    for (const auto& e : extensions) {
        std::size_t i = 0;
        while (e.extension[i] != '\0' && (dot[1 + i] | 0x20) == e.extension[i]) {
            ++i;
        }
        if (e.extension[i] == '\0' && dot[1 + i] == '\0') {
            return e.format;
        }
    }
    return std::nullopt;
}

request read_request(int count, const char* const* arguments) {
    options o{refused(false), false, false, false, false, 1, false, false};
    while (o.next < count && is_option(arguments[o.next]) && !o.ended) {
        const char* argument = long_form(arguments[o.next]);
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
    return read_operands(count, arguments, o);
}
