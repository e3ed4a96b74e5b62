// pagetally [--format NAME] [--fill XX] start-address file-name
// pagetally --format NAME [--fill XX] file-name
// pagetally --check LISTING [--all] [--format NAME] [--fill XX] [start-address] file-name
// pagetally --type LISTING [--fill XX] [start-address] typed-file
// with --write OUT [--to NAME] among the options of any: the image written to OUT as well
// pagetally --help | -h | --version
//
// Prints one line of checksums for every 256-byte page of the file viewed as a memory image at
// the start address; or checks those pages against a published listing of them, line by line;
// or checks each line typed in against the listing as it is typed.
// The file is raw bytes, or a text or file that gives its bytes' addresses (--format). A
// listing ends with status 0, or 1 on any failure. A check ends with 0 when every page matched,
// 1 when something differs, and 2 on trouble: a usage error, a file that cannot be opened, read
// or decoded, output that cannot be written, a listing without a checksum line.

#include "cli/command_line.h"
#include "cli/outcome.h"
#include "cli/run.h"
#include "cli/type_in.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr const char* help_text =
    "usage: pagetally [--format NAME] [--fill XX] start-address file-name\n"
    "       pagetally --format NAME [--fill XX] file-name\n"
    "       pagetally --check LISTING [--all] [--format NAME] [--fill XX] [start-address] "
    "file-name\n"
    "       pagetally --type LISTING [--fill XX] [start-address] typed-file\n"
    "\n"
    "The first prints, for every 256-byte page of the file viewed as a memory image at the\n"
    "start address (hexadecimal: C000, 0xC000, $C000 or &C000), a checksum of each 8-byte\n"
    "line and the page's total.\n"
    "The second takes the addresses from the file itself: --format hex, ihex, srec, prg.\n"
    "The third compares those pages with a published listing of them, names every line\n"
    "that differs, and says what the likely cause is.\n"
    "The fourth checks each line typed on standard input against LISTING as it is\n"
    "typed, adds the lines that match to typed-file, and resumes where it stopped;\n"
    "a line - takes the last one back, ? says where typing stands, . ends.\n"
    "A file-name or listing of - is standard input.\n"
    "\n"
    "Options, before the start address (-- ends them; a negative start address whose\n"
    "first digit is a letter is written -0C000):\n"
    "  -f, --format NAME    how the file holds the image: raw (its bytes, the default),\n"
    "                       hex (typed hex text, with or without address labels), ihex\n"
    "                       (Intel HEX), srec (Motorola S-records) or prg (a load address,\n"
    "                       then the bytes); a start address given moves the image's\n"
    "                       first address there\n"
    "  --fill XX            the byte at addresses between the image's bytes that hold none\n"
    "                       (default FF, as an erased EPROM)\n"
    "  -c, --check LISTING  compare the image with LISTING\n"
    "  -t, --type LISTING   type lines in against LISTING, each checked as it is typed\n"
    "  -a, --all            in a check, write every report, not only the first ten\n"
    "  --write OUT          write the image read to OUT as well (- : standard output, in\n"
    "                       place of the listing); in a check, only when every page matches\n"
    "  --to NAME            the format OUT is written in: raw, prg, ihex, srec or hex;\n"
    "                       without it, OUT's extension: .bin .rom .raw, .prg, .ihex .ihx,\n"
    "                       .srec .s19 .s28 .s37 .mot, .txt (hex)\n"
    "  -h, --help           show this help;  --version  show the version\n"
    "\n"
    "Exit status: 0 when the file was listed or every page matched (typed); 1 when the\n"
    "file could not be listed, a check found a difference or pages are left to type;\n"
    "2 when a check or typing could not be made.\n"
#ifdef PAGETALLY_MANUAL
    "See pagetally(1).\n"
#endif
    ;

const char* usage_of(const request& asked) {
    return asked.type_form ? type_usage : asked.check_form ? check_usage : list_usage;
}

} // namespace

int main(int argc, char** argv) {
    hold_standard_streams();
    const program_args args = program_arguments(argc, argv);
    const request asked = read_request(args.count, args.values);
    const int usage_status = asked.check_form ? check_trouble : EXIT_FAILURE;
    switch (asked.what) {
    case command::list:
        return list(asked);
    case command::check:
        return check(asked);
    case command::type:
        return type_in(asked);
    case command::help:
        return finish(EXIT_SUCCESS, std::fputs(help_text, stdout) != EOF);
    case command::version:
        return finish(EXIT_SUCCESS, write_line(stdout, {"pagetally ", PAGETALLY_VERSION}));
    case command::unknown_format:
        return finish(usage_status,
                      write_line(stdout, {"unknown format ", asked.format_name,
                                          ": raw, hex, ihex, srec or prg"}),
                      usage_status);
    case command::unknown_option: {
        const std::string option(asked.option, asked.option_length);
        return finish(usage_status,
                      write_line(stdout, {"unknown option ", option.c_str()}) &&
                          write_line(stdout, {usage_of(asked)}),
                      usage_status);
    }
    case command::unnamed_write_format:
        return finish(usage_status,
                      write_line(stdout, {"say --to NAME for ", asked.write_name,
                                          " (raw, prg, ihex, srec or hex)"}),
                      usage_status);
    case command::both_standard_input:
        return fail("the listing and the image cannot both be standard input", check_trouble);
    case command::usage:
        break;
    }
    return fail(usage_of(asked), usage_status);
}
