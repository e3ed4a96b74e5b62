#ifndef PAGETALLY_CLI_COMMAND_LINE_H
#define PAGETALLY_CLI_COMMAND_LINE_H

// The command line, turned into a plain request:
//
//   pagetally [--format NAME] [--fill XX] start-address file-name
//   pagetally --format NAME [--fill XX] file-name        (a format that gives its addresses)
//   pagetally --check LISTING [--all] [--format NAME] [--fill XX] [start-address] file-name
//   pagetally --help | -h | --version
//
// Options come first, in any order, each as "--name value" or "--name=value"; "--" ends them.
// The first argument that is not an option is the start address, or the file name when only it
// is left and the format gives its addresses. Arguments after the file name are ignored, but an
// option there (an argument beginning with "--") is refused: a listing would pass for a check,
// or raw bytes for the format asked for.

#include "image/image_formats.h"

#include <cstdint>

enum class command { list, check, help, version, usage, unknown_format };

struct request {
    command what;
    bool check_form;         // a check was asked for: its usage line, its statuses
    const char* listing;     // of a check
    const char* start;       // null when left out
    const char* image;       // the file's name
    image_format format;     // raw unless --format says otherwise
    const char* format_name; // as typed, for unknown_format
    std::uint8_t fill;       // FF unless --fill says otherwise
    bool all_reports;        // --all: a check writes every report
};

// Reads the arguments after the program's name (arguments[0] is the program's name).
request read_request(int count, const char* const* arguments);

#endif
