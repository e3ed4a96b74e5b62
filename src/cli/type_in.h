#ifndef PAGETALLY_CLI_TYPE_IN_H
#define PAGETALLY_CLI_TYPE_IN_H

// Typing a program in against its listing (--type), ending with its status.

#include "cli/command_line.h"

int type_in(const request& asked);

#endif
