#ifndef PAGETALLY_PLATFORM_PLATFORM_H
#define PAGETALLY_PLATFORM_PLATFORM_H

#include "image/image.h"
#include "walk/page_walk.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <initializer_list>

// The platform edge: how the program takes its arguments, reads its input and shows messages.
// Everything that differs between Linux and Windows lies behind these functions; the text they
// take and give is UTF-8 on Windows and bytes as given on Linux.

// The command line's arguments, the program's name first. On Windows they come from the UTF-16
// command line, converted to UTF-8, so no argument passes through the ANSI code page.
struct program_args {
    int count;
    char** values;
};
program_args program_arguments(int argc, char** argv);

// Opens each closed standard descriptor on the null device, before any file is opened, so that
// no file the program opens takes its place: standard input then reads as empty, and standard
// output and error, held open for reading only, still fail every write, as a closed one would.
void hold_standard_streams();

// An input opened for reading as raw bytes.
struct input_file {
    int fd;
    bool sized;              // a regular file whose reported size is its length
    std::uint64_t size;      // its size when it was opened
    std::uint64_t delivered; // bytes read so far
};

// Opens the named file. False when it cannot be opened or is a directory.
bool open_input(const char* name, input_file& in);
// Standard input, read as raw bytes; a regular file counts as sized only when it is read from
// its start.
input_file open_standard_input();
// Closes the input, once: a closed input is left as it is.
void close_input(input_file& in);

// Reads up to `size` bytes into `buffer`: returns how many, 0 at the end of the input, or -1
// when reading failed. A file that ends having delivered fewer bytes than its size when opened
// has failed: it was cut short while it was read.
long read_input(input_file& in, void* buffer, std::size_t size);

// Reads up to `size` bytes from `offset` on of a regular file that read_input has read to its
// end: returns how many, 0 at the end of the file, or -1 when reading failed.
long read_input_at(input_file& in, std::uint64_t offset, void* buffer, std::size_t size);

// Walks the input's pages (see walk_pages), reading it through one static buffer: one walk at
// a time.
walk_status walk_input(input_file& in, std::uint32_t start, page_consumer out);

// Memory for an image read whole: image_chunk_size bytes, or null when there is none; and its
// release. Never from new, whose failure ends the run.
std::uint8_t* take_image_chunk();
void give_back_image_chunk(std::uint8_t* chunk);

// A file being written: into a temporary file beside `name` (or beside the file that `name`, a
// symbolic link, names), put in its place only when whole. An OUT that is no regular file, a
// device or a FIFO, is not replaced: the image waits in an unnamed temporary file, and is copied
// into it once whole.
struct output_file {
    std::FILE* out;
    const char* name;
    char* temporary; // its name; null for standard output, written as it goes, and for a copy
    char* target;    // the file the temporary file takes the place of
    bool copied;     // `out` is the unnamed file, copied into `name` once whole
};

// Opens standard output for bytes as they are (on Windows, no CR before each LF).
output_file standard_output_for_bytes();

// Creates a temporary file beside `name` to write. A file `name` that exists keeps its mode; a
// new one has the usual (0666 less the umask). False when it cannot be created.
bool open_output(const char* name, output_file& out);

// Closes the output and puts it in place of `name`: false, with the temporary file removed and
// `name` as it was, when any of it could not be written.
bool commit_output(output_file& out);

// Closes the output and removes the temporary file, leaving `name` as it was.
void discard_output(output_file& out);

// The typed text being built, open for reading and writing; one that does not exist is created
// with its first line, so that a run that adds none leaves none. A line is added in one write at
// its end; when it cannot be written whole, the file is cut back to its size before it. Each is
// `synced` to the disk when asked, before the call returns.
struct typed_file {
    const char* name;
    int fd; // -1 until a file that did not exist is created
    std::uint64_t size;
    bool synced;
};
// False when `name` exists and cannot be opened for reading and writing, or is no regular file.
bool open_typed(const char* name, typed_file& file);
// Reads up to `size` bytes of it from `offset` on: how many, 0 at the end, -1 on failure.
long read_typed(typed_file& file, std::uint64_t offset, char* buffer, std::size_t size);
bool add_to_typed(typed_file& file, const char* text, std::size_t n);
// Cuts it to its first `size` bytes.
bool cut_typed(typed_file& file, std::uint64_t size);
void close_typed(typed_file& file);

// Whether the file `name` is the opened input, however it is named.
bool names_input(const char* name, const input_file& in);

// What ends a line of written text: CR LF on Windows, LF elsewhere.
const char* text_line_end();

// Whether `out` is a terminal, where a reader waits for every line.
bool is_terminal(std::FILE* out);

// Whether `out` writes to the input file itself.
bool writes_to_input(std::FILE* out, const input_file& in);

// Writes one line to `out`: its pieces in order, then a newline. On a Windows console the line
// goes out as UTF-16 text in one write, so the console shows every character whatever its code
// page, and ends in CR LF; elsewhere as the bytes of the pieces. False if it was not written.
bool write_line(std::FILE* out, std::initializer_list<const char*> pieces);

#endif
