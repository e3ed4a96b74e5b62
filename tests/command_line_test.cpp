#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The request, as one line: what, form, listing, start, image, format, fill, and "all" for --all.
std::string request_of(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "pagetally");
    const request r = read_request(static_cast<int>(arguments.size()), arguments.data());
    const char* what[] = {
        "list",           "check",          "type",           "help",           "version",
        "usage",          "unknown format", "unknown option", "both standard input",
        "no write format"};
    const char* formats[] = {"raw", "hex", "ihex", "srec", "prg"};
    char fill[3];
    std::snprintf(fill, sizeof fill, "%02X", r.fill);
    std::string text =
        std::string(what[static_cast<int>(r.what)]) + (r.check_form ? " (check)" : "");
    if (r.what == command::list || r.what == command::check || r.what == command::type) {
        text += std::string(" ") + (r.listing != nullptr ? r.listing : "-") + " " +
                (r.start != nullptr ? r.start : "-") + " " + r.image + " " +
                formats[static_cast<int>(r.format)] + " " + fill + (r.all_reports ? " all" : "");
        if (r.write_name != nullptr) {
            text +=
                std::string(" > ") + r.write_name + " " + formats[static_cast<int>(r.write_format)];
        }
    }
    if (r.what == command::unknown_option) {
        return text + " " + std::string(r.option, r.option_length);
    }
    return r.what == command::unknown_format ? text + " " + r.format_name : text;
}

TEST(CommandLine, ReadsOptionsBeforeTheStartAddress) {
    const struct {
        std::vector<const char*> arguments;
        const char* request;
    } cases[] = {
        {{"C000", "rom.bin"}, "list - C000 rom.bin raw FF"},
        {{"C000", "rom.bin", "extra"}, "list - C000 rom.bin raw FF"},
        {{"--format", "ihex", "rom.hex"}, "list - - rom.hex ihex FF"},
        {{"--format=srec", "--fill", "00", "E000", "rom.s19"}, "list - E000 rom.s19 srec 00"},
        {{"--fill=a5", "--format", "hex", "typed.hex"}, "list - - typed.hex hex A5"},
        {{"--check", "pub.lst", "--format", "prg", "game.prg"},
         "check (check) pub.lst - game.prg prg FF"},
        {{"--all", "--check", "pub.lst", "C000", "rom.bin"},
         "check (check) pub.lst C000 rom.bin raw FF all"},
        {{"--check", "pub.lst", "--all=yes", "C000", "rom.bin"}, "usage (check)"},
        {{"--format", "hex", "--check=pub.lst", "C000", "typed.hex"},
         "check (check) pub.lst C000 typed.hex hex FF"},
        {{"--", "-10", "--odd name"}, "list - -10 --odd name raw FF"},
        {{"--check", "-", "C000", "rom.bin"}, "check (check) - C000 rom.bin raw FF"},
        {{"--help", "junk"}, "help"},
        {{"-h"}, "help"},
        {{"--format", "ihex", "--version"}, "version"},
        {{}, "usage"},
        {{"C000"}, "usage"},
        {{"rom.bin"}, "usage"}, // raw bytes need the start address
        {{"--format", "ihex"}, "usage"},
        {{"C000", "rom.hex", "--format", "ihex"}, "usage"},
        {{"C000", "--format", "ihex", "rom.hex"}, "usage"},
        {{"C000", "rom.bin", "--check", "rom.lst"}, "usage (check)"},
        {{"--check", "pub.lst", "C000", "rom.bin", "--all"}, "usage (check)"},
        {{"--check", "-", "C000", "-"}, "both standard input (check)"},
        {{"--write", "out.PRG", "0801", "game.bin"}, "list - 0801 game.bin raw FF > out.PRG prg"},
        {{"--write=o.s19", "--format", "ihex", "i.hex"}, "list - - i.hex ihex FF > o.s19 srec"},
        {{"--to", "hex", "--write", "o.hex", "-f", "ihex", "i.hex"},
         "list - - i.hex ihex FF > o.hex hex"},
        {{"--write", "dir.d/rom", "0", "r.bin"}, "no write format"},
        {{"--write", "o.hex", "0", "r.bin"}, "no write format"},
        {{"--write", "o.txt", "--to", "ihx", "0", "r.bin"}, "unknown format ihx"},
        {{"-c", "l.lst", "--write", "-", "--to", "raw", "0", "r.bin"}, "usage (check)"},
        {{"--to", "ihex", "0", "r.bin"}, "usage"},
        {{"--to", "bogus", "--format", "raw", "--write", "o.bin", "0", "r.bin"},
         "unknown format bogus"},
        {{"-c", "l.lst", "--write", "o.bin", "0", "r.bin"},
         "check (check) l.lst 0 r.bin raw FF > o.bin raw"},
        {{"--check"}, "usage (check)"},
        {{"--fill", "FFF", "C000", "rom.bin"}, "usage"},
        {{"--fill", "G0", "C000", "rom.bin"}, "usage"},
        {{"--fill"}, "usage"},
        {{"--colour", "C000", "rom.bin"}, "unknown option --colour"},
        {{"--fromat=hex", "typed.hex"}, "unknown option --fromat"},
        {{"-C000", "rom.bin"}, "unknown option -C000"},
        {{"-c", "pub.lst", "-f", "ihex", "-a", "rom.hex"},
         "check (check) pub.lst - rom.hex ihex FF all"},
        {{"-c", "pub.lst", "-x", "C000", "rom.bin"}, "unknown option (check) -x"},
        {{"-0C000", "rom.bin"}, "list - -0C000 rom.bin raw FF"},
        {{"-10", "rom.bin"}, "list - -10 rom.bin raw FF"},
        {{"--", "-C000", "rom.bin"}, "list - -C000 rom.bin raw FF"},
        {{"-c", "pub.lst", "C000", "rom.bin", "-a"}, "usage (check)"},
        {{"C000", "rom.bin", "-c", "pub.lst"}, "usage (check)"},
        {{"--format", "bin", "C000", "rom.bin"}, "unknown format bin"},
        {{"--type", "pub.lst", "typed.txt"}, "type (check) pub.lst - typed.txt hex FF"},
        {{"-t", "pub.lst", "--fill=00", "0801", "t.txt"}, "type (check) pub.lst 0801 t.txt hex 00"},
        {{"-t", "pub.lst", "-c", "pub.lst", "t.txt"}, "usage (check)"},
        {{"-t", "pub.lst", "C000", "-"}, "usage (check)"},
        {{"-t", "-", "t.txt"}, "usage (check)"},
        {{"-t", "pub.lst", "-f", "ihex", "t.txt"}, "usage (check)"},
        {{"-t", "pub.lst", "--write", "-", "t.txt"}, "usage (check)"},
        {{"-t", "p.lst", "--write", "g.prg", "t.txt"}, "type (check) p.lst - t.txt hex FF > g.prg prg"},
        {{"--check", "pub.lst", "--format", "elf", "rom"}, "unknown format (check) elf"},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const char* argument : c.arguments) {
            line += std::string(argument) + " ";
        }
        EXPECT_EQ(request_of(c.arguments), c.request) << line;
    }
}

} // namespace
