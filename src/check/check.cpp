// The check as a consumer of the walk: the image's pages into the rules, or into the walk of the
// image realigned past a slip; and the end of the check once the walk has ended.

#include "check/check.h"

#include "check/check_conclude.h"
#include "check/check_intake.h"
#include "check/check_queue.h"
#include "check/check_realign.h"
#include "check/check_state.h"
#include "check/check_steps.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

bool take_pages(void* state, const page_sums* pages, std::size_t count) {
    auto& c = *static_cast<check_state*>(state);
    if (c.options.again.read_at != nullptr) { // a file that may change before it is read again
        print_own_pages(c.log, pages, count);
    }
    for (std::size_t i = 0; i < count;) {
        if (c.realigned) {
            return take_realigned(c, pages + i, count - i);
        }
        const intake in = take_some(c, pages + i, std::min(text_pages, count - i), true);
        i += in.taken;
        if (in.outcome.end == rules_end::ended ||
            (in.outcome.end == rules_end::slip && !walk_realigned_from(c, in.outcome.slip))) {
            return false;
        }
    }
    return true;
}

// The start-address search looks at the image's first bytes up to the first addresses that hold
// none.
void see_bytes(void* state, const byte_run& run) {
    auto& c = *static_cast<check_state*>(state);
    c.first_run_ended = c.first_run_ended || (run.moved && c.kept > 0);
    const std::size_t n = c.first_run_ended ? 0 : std::min(run.size, first_bytes_kept - c.kept);
    std::memcpy(c.first_bytes + c.kept, run.bytes, n);
    c.kept += n;
}

// The image has ended once the walk of it realigned has. A slip found only then (the rules
// waited for the end) is walked past now, and the image ends again.
void end_image(check_state& c) {
    for (;;) {
        if (c.realigned && !end_realigned_walk(c)) {
            return;
        }
        c.image_ended = true;
        const rules_outcome outcome = advance(c);
        if (outcome.end != rules_end::slip) {
            return;
        }
        c.image_ended = false;
        if (!walk_realigned_from(c, outcome.slip)) {
            return;
        }
    }
}

check_status ending(check_state& c, walk_status walked) {
    if (walked == walk_status::complete) {
        end_image(c);
    }
    if (c.writer.failed) {
        return check_status::write_failed;
    }
    if (c.end == check_end::listing_failed) {
        return check_status::listing_failed;
    }
    if (walked == walk_status::read_failed) {
        return check_status::image_failed;
    }
    if (c.end == check_end::no_checksum_lines) {
        report_not_written(c);
        check_report r{};
        r.kind = report_kind::no_checksum_lines;
        r.side = report_side::listing;
        report(c, r);
        return c.writer.failed ? check_status::write_failed : check_status::no_checksum_lines;
    }
    if (c.end == check_end::fitting_start) {
        return check_status::differ;
    }
    return conclude(c);
}

} // namespace

check_state* begin_check(const check_request& request) {
    auto* check = new (std::nothrow) check_state{};
    if (check == nullptr) {
        return nullptr;
    }
    const check_options& options = request.options;
    check->writer = report_writer{request.output, options.text, options.all_reports, 0, 0, false};
    check->options = options;
    check->listing = start_reading(request.listing);
    check->start = request.start;
    check->used = no_bytes;
    start_log(check->log, options.memory);
    check->wants_bits = true;
    return check;
}

page_consumer check_consumer(check_state& check) {
    return page_consumer{take_pages, &check, see_bytes, &check.wants_bits};
}

check_status end_check(check_state* check, walk_status walked) {
    if (check == nullptr) {
        return check_status::no_memory;
    }
    const check_status status = ending(*check, walked);
    delete check;
    return status;
}
