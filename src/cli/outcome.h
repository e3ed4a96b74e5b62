#ifndef PAGETALLY_CLI_OUTCOME_H
#define PAGETALLY_CLI_OUTCOME_H

// How a run ends: its message, if any, on standard output, then its status once standard output
// has taken everything.

#include <cstdlib>

constexpr const char* list_usage = "usage: pagetally start-address file-name";
constexpr const char* check_usage = "usage: pagetally --check listing start-address file-name";
constexpr const char* type_usage = "usage: pagetally --type listing [start-address] typed-file";

// A check's status when it could not be made; 1 is a difference found.
constexpr int check_trouble = 2;

// Ends the run with `status`: standard output must have taken everything, and `written` tells
// that the run's own writes succeeded; otherwise the run fails with `failure`, and one message
// goes to standard error, since standard output is the broken channel.
int finish(int status, bool written = true, int failure = EXIT_FAILURE);

// Ends the run with one line: `line`, or `what` and a file's name.
int fail(const char* line, int status = EXIT_FAILURE);
int fail_on_file(const char* what, const char* name, int status = EXIT_FAILURE);

// From here on, an allocation that fails ends the run with "not enough memory" and `status`
// (1 in a listing, 2 in a check), in place of an exception that no one catches.
void end_when_memory_runs_out(int status);

#endif
