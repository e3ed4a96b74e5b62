#include "cli/writing.h"

#include "cli/outcome.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace {

bool write_file(void* state, const char* data, std::size_t size) {
    return std::fwrite(data, 1, size, static_cast<std::FILE*>(state)) == size;
}

// Where the image lies: read whole, or raw bytes from the start address on, as many as the
// file holds (when it is a regular file; a pipe's end is not known before).
image_span span_to_write(const opened_image& image) {
    if (!image.raw) {
        return span_of(image.read);
    }
    const std::uint32_t first = image.start.value_or(0);
    const std::uint64_t end = std::uint64_t{first} + (image.in.size > 0 ? image.in.size - 1 : 0);
    return image_span{first, static_cast<std::uint32_t>(end),
                      end > 0xFFFFFFFF ? 0xFFFFFFFFu : static_cast<std::uint32_t>(end)};
}

} // namespace

bool open_image_output(const request& asked, const opened_image& image, int failure,
                       image_output& out, int& status) {
    if (asked.write_name == nullptr) {
        return true;
    }
    const image_span span = span_to_write(image);
    if (asked.write_format == image_format::prg && span.highest > 0xFFFF) {
        char range[80];
        std::snprintf(range, sizeof range, "%04" PRIX32 " to %04" PRIX32, span.first, span.last);
        status = finish(failure,
                        write_line(stdout, {"a .prg holds addresses 0000 to FFFF; this image runs "
                                            "from ",
                                            range}),
                        failure);
        return false;
    }
    if (std::strcmp(asked.write_name, "-") == 0) {
        out.file = standard_output_for_bytes();
    } else if (!open_output(asked.write_name, out.file)) {
        status = fail_on_file("cannot write", asked.write_name, failure);
        return false;
    }
    const write_plan plan{asked.write_format, asked.fill, span.first, span.highest,
                          text_line_end()};
    start_writing(out.writer, plan, write_sink{write_file, out.file.out});
    if (out.writer.failed) {
        discard_output(out.file);
        status = fail_on_file("cannot write", asked.write_name, failure);
        return false;
    }
    return true;
}

page_consumer output_consumer(const request& asked, image_output& out, std::uint32_t start,
                              page_consumer inner) {
    if (asked.write_name == nullptr) {
        return inner;
    }
    out.walk = walk_writing{&out.writer, inner, start};
    return writing_consumer(out.walk);
}

bool close_image_output(const request& asked, image_output& out, bool keep) {
    if (asked.write_name == nullptr) {
        return true;
    }
    if (!keep) { // nor the format's end, which would make what went out look whole
        abandon_writing(out.writer);
        discard_output(out.file);
        return true;
    }
    if (!finish_writing(out.writer)) {
        discard_output(out.file);
        return false;
    }
    return commit_output(out.file);
}
