// One mistake in a typed program or in its published table, and exactly the reports it needs.
// The fuzzer's bytes choose the mistake's kind, the program (random or 6502-like, its load
// address, 8 or 16 bytes a typed line, where the labels are), the table's form and the place of
// the mistake (see verdict_model.h). The program checked against its own table must match; with
// the mistake, each report line, but for the last (the count of pages that differ), must begin
// with the file and line the model names (`IMAGE:M: `, `LISTING:N: `) and hold its key word.
#include "check_run.h"
#include "verdict_model.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool ends_with(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The report lines: without the last line's count, and without the count of reports not shown.
std::vector<std::string> reports_of(const check_run& run) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < run.lines.size(); ++i) {
        const std::string& line = run.lines[i];
        const bool count =
            i + 1 == run.lines.size() && (ends_with(line, " match") || ends_with(line, " differ"));
        if (!count && line.find("not shown (--all shows") == std::string::npos) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::string prefix_of(const verdict_report& report) {
    return std::string(report.listing ? "LISTING" : "IMAGE") +
           (report.line ? ":" + std::to_string(report.line) : "") + ": ";
}

[[noreturn]] void fail(const char* why, const verdict_case& c, const check_run& run) {
    std::fprintf(stderr,
                 "%s\nmistake: %s\nstart: '%s'\n--- image:\n%s--- listing:\n%s--- got "
                 "(status %d):\n",
                 why, c.what.c_str(), c.start.c_str(), c.image.c_str(), c.listing.c_str(),
                 run.status);
    for (const std::string& line : run.lines) {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
    std::fprintf(stderr, "--- expected (status %d):\n", c.reports.empty() ? 0 : 1);
    for (const verdict_report& report : c.reports) {
        std::fprintf(stderr, "%s... %s ...\n", prefix_of(report).c_str(), report.key.c_str());
    }
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const verdict_case right = make_verdict_case(data, size, false);
    const check_run clean = run_check(right.listing, right.image, right.start);
    if (clean.status != 0 || !reports_of(clean).empty()) {
        fail("the program does not match its own table", right, clean);
    }
    const verdict_case c = make_verdict_case(data, size);
    const check_run run = run_check(c.listing, c.image, c.start);
    const std::vector<std::string> got = reports_of(run);
    bool holds = run.status == (c.reports.empty() ? 0 : 1) && got.size() == c.reports.size();
    for (std::size_t i = 0; holds && i < got.size(); ++i) {
        holds = got[i].compare(0, prefix_of(c.reports[i]).size(), prefix_of(c.reports[i])) == 0 &&
                got[i].find(c.reports[i].key) != std::string::npos;
    }
    if (!holds) {
        fail("not the reports the mistake needs", c, run);
    }
    return 0;
}
