#include "check/check_conclude.h"

#include "check/check_queue.h"
#include "explain/explain.h"

namespace {

check_report about(report_side side, report_kind kind) {
    check_report r{};
    r.kind = kind;
    r.side = side;
    return r;
}

void report_bits(check_state& c) {
    const byte_traits& t = c.used;
    for (unsigned bit = 0; bit < 8 && t.bytes >= page_size; ++bit) {
        if ((t.bits_or >> bit & 1) == 0 || (t.bits_and >> bit & 1) == 1) {
            check_report r = about(report_side::image, report_kind::stuck_bit);
            r.address = bit;
            r.image_value = t.bits_and >> bit & 1;
            report(c, r);
        }
    }
}

check_status status_of(reread image) {
    return image == reread::failed ? check_status::image_failed : check_status::image_changed;
}

// What explains the failed check, or else what the image's bytes show, one line each: all
// alike, a stuck data bit, a repetition. The image is read again first, and must be as it was.
check_status report_causes(check_state& c) {
    const byte_traits& t = c.used;
    const failed_check failed{c.log,   c.first_bytes,   c.kept,     c.options.raw,
                              c.start, c.options.again, c.realigned};
    const reread again = log_whole(c.log) && c.options.again.from_start != nullptr
                             ? read_pages_again(failed)
                             : reread::same;
    if (again != reread::same) {
        return status_of(again);
    }
    // A bad dump makes more than one line differ; one line alone is a typo's.
    if (c.image_suspect && (c.image_lines_differing != 1 || c.realigned)) {
        const explain_outcome explained = explain_failure(failed);
        if (explained.image != reread::same) {
            return status_of(explained.image);
        }
        if (explained.cause) {
            check_report r = about(report_side::image, report_kind::explained);
            r.cause = *explained.cause;
            report(c, r);
            return check_status::differ;
        }
    }
    if (t.bytes >= page_size && t.bits_and == t.bits_or) {
        check_report r = about(report_side::image, report_kind::every_byte);
        r.image_value = t.bits_and;
        report(c, r);
        return check_status::differ;
    }
    report_bits(c);
    std::uint64_t length = 0;
    switch (find_repeat(c.options.again, length)) {
    case repeat_result::failed:
        return check_status::image_failed;
    case repeat_result::found: {
        check_report r = about(report_side::image, report_kind::repeats);
        r.count = length;
        report(c, r);
        break;
    }
    case repeat_result::none:
        break;
    }
    return check_status::differ;
}

} // namespace

check_status conclude(check_state& c) {
    if (c.differing > 0) {
        write_withheld(c.writer);
        const check_status causes = report_causes(c);
        if (causes != check_status::differ) {
            return causes;
        }
    }
    if (c.differing > 0) {
        report_not_written(c);
    }
    check_report last = about(report_side::none, c.differing == 0 ? report_kind::all_match
                                                                  : report_kind::pages_differ);
    last.count = c.differing;
    last.steps = c.steps;
    report(c, last);
    if (c.writer.failed) {
        return check_status::write_failed;
    }
    return c.differing == 0 ? check_status::all_match : check_status::differ;
}
