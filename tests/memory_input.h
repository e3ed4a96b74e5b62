#ifndef PAGETALLY_TESTS_MEMORY_INPUT_H
#define PAGETALLY_TESTS_MEMORY_INPUT_H

// Inputs held in memory for the tests and fuzz targets, and the text a test stream took.

#include "walk/page_walk.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>

// Bytes first, first + 1, ... wrapping at 256.
inline std::string counting(std::size_t n, unsigned first = 0) {
    std::string bytes(n, '\0');
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<char>((first + i) & 0xFF);
    }
    return bytes;
}

// `bytes` delivered in runs of `piece`, then the end; or, when `fails` is set, a failed read in
// place of the end.
struct memory_input {
    const std::string& bytes;
    std::size_t piece;
    bool fails;
    std::size_t at;
};

inline read_result next_piece(void* state, byte_run& run) {
    auto& in = *static_cast<memory_input*>(state);
    if (in.at == in.bytes.size()) {
        return in.fails ? read_result::failed : read_result::end;
    }
    const std::size_t n = std::min(in.piece, in.bytes.size() - in.at);
    run = byte_run{reinterpret_cast<const std::uint8_t*>(in.bytes.data()) + in.at, n};
    in.at += n;
    return read_result::bytes;
}

// A listing's text delivered `piece` bytes a read, then its end; or, when `fails` is set, a
// failed read in place of the end.
struct text_input {
    const std::string& text;
    std::size_t piece;
    bool fails;
    std::size_t at;
};

inline long read_piece(void* state, char* buffer, std::size_t size) {
    auto& in = *static_cast<text_input*>(state);
    if (in.at == in.text.size()) {
        return in.fails ? -1 : 0;
    }
    const std::size_t n = std::min({in.piece, size, in.text.size() - in.at});
    in.text.copy(buffer, n, in.at);
    in.at += n;
    return static_cast<long>(n);
}

// Writes one line of its pieces and a newline, as the platform does off a Windows console.
inline bool write_plain(std::FILE* out, std::initializer_list<const char*> pieces) {
    for (const char* piece : pieces) {
        std::fputs(piece, out);
    }
    return std::fputc('\n', out) != EOF;
}

inline std::string contents(std::FILE* stream) {
    std::rewind(stream);
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, stream)) > 0;) {
        text.append(buffer, n);
    }
    return text;
}

// A stream that gathers what is written to it, made in place: in memory on glibc, else a
// temporary file (fuzz_check ran 15,069 times in 20 s so, and 17,927 times in memory).
struct gathering {
    std::FILE* out;
    char* buffer;
    std::size_t length;
};

inline std::FILE* start_gathering(gathering& g) {
    g = gathering{nullptr, nullptr, 0};
#if defined(__GLIBC__)
    g.out = open_memstream(&g.buffer, &g.length);
#else
    g.out = std::tmpfile();
#endif
    return g.out;
}

// Closes the stream, and returns what was written to it.
inline std::string end_gathering(gathering& g) {
#if defined(__GLIBC__)
    std::fclose(g.out);
    std::string text(g.buffer, g.length);
    std::free(g.buffer);
#else
    std::string text = contents(g.out);
    std::fclose(g.out);
#endif
    return text;
}

#endif
