// The command line: options into the program state.
#pragma once

// Reads argv into `app`; ends the process for -v, for the help text and for
// malformed option lists.
void parseCommandLine(int argc, char **argv);

// Decimal degrees, or degrees/minutes/seconds separated by one of the degree
// sign (byte 0xB0), d, D or ':'. Text that is no number gives 0.
double parseAngle(const char *text);

// atoi with a defined reading outside the int range: it saturates.
int readInt(const char *text);

extern const char version_line[];
extern const char help_text[];
