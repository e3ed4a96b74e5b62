#ifndef PAGETALLY_CLI_COMMAND_LINE_H
#define PAGETALLY_CLI_COMMAND_LINE_H

// The command line, turned into a plain request:
//
//   pagetally [--format NAME] [--fill XX] start-address file-name
//   pagetally --format NAME [--fill XX] file-name        (a format that gives its addresses)
//   pagetally --check LISTING [--all] [--format NAME] [--fill XX] [start-address] file-name
//   pagetally --type LISTING [--fill XX] [start-address] typed-file
//   pagetally --help | -h | --version
//
// Options come first, in any order, each as "--name value" or "--name=value", or as the short
// "-c LISTING", "-t LISTING", "-f NAME", "-a", "-h"; "--" ends them. Where an option may stand, an
// argument of
// "-" and a letter is an option, whatever follows the letter: "-C000" is an unknown option, and a
// negative start address whose first digit is a letter is written "-0C000" or after "--". The
// first argument that is not an option is the start address, or the file name when only it is
// left and the format gives its addresses. Arguments after the file name are ignored, but an
// option there is refused: a listing would pass for a check, or raw bytes for the format asked
// for.

#include "image/image_formats.h"

#include <cstddef>
#include <cstdint>
#include <optional>

enum class command {
    list,
    check,
    type, // typing lines in against a listing
    help,
    version,
    usage,
    unknown_format,
    unknown_option,
    both_standard_input,  // a check's listing and image both "-"
    unnamed_write_format, // --write OUT without --to, and OUT's extension names no format
};

struct request {
    command what;
    bool check_form;           // a check or typing was asked for: its usage line, its statuses
    bool type_form;            // typing was asked for: its usage line
    const char* listing;       // of a check or typing
    const char* start;         // null when left out
    const char* image;         // the file's name
    image_format format;       // raw unless --format says otherwise
    const char* format_name;   // as typed, for unknown_format
    const char* option;        // as typed (without "=value"), for unknown_option
    std::uint8_t fill;         // FF unless --fill says otherwise
    bool all_reports;          // --all: a check writes every report
    std::size_t option_length; // of `option`, its characters before "="
    const char* write_name;    // --write OUT: null without it, "-" for standard output
    image_format write_format; // --to NAME, or what OUT's extension names
};

// The format that a file name's extension names, in any case: .bin, .rom, .raw raw; .prg prg;
// .ihex, .ihx ihex; .srec, .s19, .s28, .s37, .mot srec; .txt hex. None for another, or for .hex,
// which both Intel HEX and typed hex use.
std::optional<image_format> format_of_extension(const char* name);

// Reads the arguments after the program's name (arguments[0] is the program's name).
request read_request(int count, const char* const* arguments);

#endif
