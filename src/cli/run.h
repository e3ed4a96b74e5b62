#ifndef PAGETALLY_CLI_RUN_H
#define PAGETALLY_CLI_RUN_H

// The runs a request asks for, each ending with its status.

#include "cli/command_line.h"

int list(const request& asked);
int check(const request& asked);

#endif
