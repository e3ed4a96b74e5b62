#include "cli/type_in.h"

#include "cli/inputs.h"
#include "cli/outcome.h"
#include "cli/type_resume.h"
#include "cli/writing.h"
#include "image/image_formats.h"
#include "text/address.h"
#include "text/held_text.h"
#include "typing/typing_run.h"
#include "typing/typing_text.h"

#include <cstring>

namespace {

bool add_text(void* state, const char* text, std::size_t n) {
    return add_to_typed(*static_cast<typed_file*>(state), text, n);
}

bool cut_text(void* state, std::uint64_t size) {
    return cut_typed(*static_cast<typed_file*>(state), size);
}

// Whether OUT is the file `in`, however it is named: then nothing is written, with `status`.
bool writes_over(const request& asked, const input_file& in, const char* what, int& status) {
    if (asked.write_name == nullptr || !names_input(asked.write_name, in)) {
        return false;
    }
    status = finish(check_trouble,
                    write_line(stdout, {asked.write_name, what, "; write to another file"}),
                    check_trouble);
    return true;
}

// The listing read whole; false when the run ends here, with `status`.
bool read_listing(const request& asked, listing_table& table, int& status) {
    input_file in{};
    if (!open_named(asked.listing, in)) {
        status = fail_on_file("cannot open", asked.listing, check_trouble);
        return false;
    }
    if (writes_over(asked, in, " is the listing", status)) {
        close_input(in);
        return false;
    }
    if (names_input(asked.image, in)) { // typed lines would be added to the listing
        close_input(in);
        status =
            finish(check_trouble,
                   write_line(stdout, {asked.image, " is the listing; type into another file"}),
                   check_trouble);
        return false;
    }
    text_reader reader = start_reading(text_of(in));
    const table_status read = read_table(reader, table);
    close_input(in);
    switch (read) {
    case table_status::read:
        return true;
    case table_status::read_failed:
        status = fail_on_file("cannot read", asked.listing, check_trouble);
        break;
    case table_status::no_memory:
        status = fail("not enough memory", check_trouble);
        break;
    case table_status::no_checksum_lines:
        status = finish(check_trouble, write_line(stdout, {asked.listing, ": no checksum lines"}),
                        check_trouble);
        break;
    }
    return false;
}

// The typed text as it stands; false when it cannot be read.
bool read_typed_text(typed_file& file, grow_array<char>& text) {
    for (;;) {
        if (!reserve(text, text.count + 65536)) {
            return false;
        }
        const long n = read_typed(file, text.count, text.items + text.count, 65536);
        if (n <= 0) {
            return n == 0;
        }
        text.count += static_cast<std::size_t>(n);
    }
}

// Where typing begins in a new typed text: the start address, else the listing's first label;
// else the first line typed says.
bool place_new(typing_session& s, listing_table& table, std::optional<std::uint32_t> start) {
    const std::optional<std::uint32_t> at = start ? start : first_label(table);
    return !at || place_typing(s, table, *at, start.has_value());
}

// Writes the image typed, as --write writes an image read from the typed text.
int write_typed(const request& asked, std::optional<std::uint32_t> start, typed_file& file) {
    grow_array<char> text;
    int status = 0;
    if (writes_over(asked, input_file{file.fd, true, file.size, 0}, " is the typed text", status)) {
        return status;
    }
    if (!read_typed_text(file, text)) {
        return fail_on_file("cannot read", asked.image, check_trouble);
    }
    opened_image labelled{};
    opened_image placed{};
    image_error error{};
    opened_image& opened = read_typed_image(text.items, text.count, start, image_reading::to_list,
                                            labelled.read, placed.read, error) == &labelled.read
                               ? labelled
                               : placed;
    image_output output{};
    if (error.fault != image_fault::none ||
        !open_image_output(asked, opened, check_trouble, output, status)) {
        return error.fault != image_fault::none
                   ? fail_on_file("cannot read", asked.image, check_trouble)
                   : status;
    }
    const walk_status walked = walk_image(
        opened, asked.fill, output_consumer(asked, output, image_first(opened), no_consumer()));
    if (!close_image_output(asked, output, walked == walk_status::complete)) {
        return fail_on_file("cannot write", asked.write_name, check_trouble);
    }
    return EXIT_SUCCESS;
}

int ended(typing_status status, const request& asked) {
    switch (status) {
    case typing_status::all_match:
        return finish(EXIT_SUCCESS, true, check_trouble);
    case typing_status::pages_to_go:
        return finish(EXIT_FAILURE, true, check_trouble);
    case typing_status::lines_failed:
        return fail("cannot read standard input", check_trouble);
    case typing_status::text_failed:
        return fail_on_file("cannot write", asked.image, check_trouble);
    case typing_status::no_memory:
        return fail("not enough memory", check_trouble);
    case typing_status::output_failed:
        break;
    }
    return finish(check_trouble, false, check_trouble);
}

// Types in the lines of standard input, and ends with the run's status.
int type_lines(const request& asked, std::optional<std::uint32_t> start, listing_table& table,
               typing_session& s, typed_file& file) {
    input_file lines = open_standard_input();
    const bool person = is_terminal(stdin);
    file.synced = person; // a crash of the machine loses no line a person typed
    const typing_request typing{text_of(lines), person ? stdout : nullptr,
                                check_output{stdout, write_line, asked.listing, asked.image},
                                typed_text{add_text, cut_text, &file}};
    const typing_status status = run_typing(s, table, typing);
    if (status == typing_status::all_match && asked.write_name != nullptr) {
        const int written = write_typed(asked, start, file);
        if (written != EXIT_SUCCESS) {
            return written;
        }
    }
    if (status == typing_status::pages_to_go && asked.write_name != nullptr) {
        write_line(stdout,
                   {asked.write_name, ": not written, since not every page is typed and matches"});
    }
    return ended(status, asked);
}

// Types into the opened typed text, resumed from what it holds.
int type_into(const request& asked, std::optional<std::uint32_t> start, listing_table& table,
              typed_file& file) {
    grow_array<char> text;
    typing_session s{};
    int status = 0;
    if (writes_over(asked, input_file{file.fd, true, file.size, 0}, " is the typed text", status)) {
        return status;
    }
    if (!read_typed_text(file, text)) {
        status = fail_on_file("cannot read", asked.image, check_trouble);
    } else if (!start_typing(s, table, text_line_end())) {
        status = fail("not enough memory", check_trouble);
    } else if (resume_typing(asked, start, table, s, text.items, text.count, status)) {
        if (!s.placed && !place_new(s, table, start)) {
            status = fail("not enough memory", check_trouble);
        } else {
            if (text.count > 0 && s.placed) {
                report_writer writer{check_output{stdout, write_line, asked.listing, asked.image},
                                     image_text{},
                                     true,
                                     0,
                                     0,
                                     false};
                write_where(writer, s);
            }
            status = type_lines(asked, start, table, s, file);
        }
    }
    end_typing(s);
    return status;
}

} // namespace

int type_in(const request& asked) {
    end_when_memory_runs_out(check_trouble);
    const std::optional<std::uint32_t> start =
        asked.start != nullptr ? parse_start_address(asked.start) : std::nullopt;
    if (asked.start != nullptr && !start) {
        return fail(type_usage, check_trouble);
    }
    listing_table table{};
    int status = 0;
    if (!read_listing(asked, table, status)) {
        return status;
    }
    typed_file file{};
    if (!open_typed(asked.image, file)) {
        return fail_on_file("cannot open", asked.image, check_trouble);
    }
    status = type_into(asked, start, table, file);
    close_typed(file);
    return status;
}
