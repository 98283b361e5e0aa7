// The fuzz entry points. Each takes arbitrary bytes, drives one part of the
// program with them and aborts when a result leaves what the program
// promises; the fuzzers (tests/fuzz/fuzz_*.cpp) and the regression test
// (tests/test_fuzz_regressions.cpp) call the same functions.
#pragma once

#include <cstddef>
#include <cstdint>

// Argument vectors: the input split at NUL bytes, parsed as the command
// line, then the start-up steps that follow it.
void fuzzCommandLine(const uint8_t *data, size_t size);

// One angle text.
void fuzzParseAngle(const uint8_t *data, size_t size);

// A map file: the bytes written to a file and loaded as -map or -nimap
// would, through ripalpha and the night-map scaling, then one frame drawn.
// The first byte chooses how the file is used and the view.
void fuzzMapPipeline(const uint8_t *data, size_t size);

// Text layout and the position digits: two doubles, three ints and a text
// drawn into the icon pixmap on a private X server.
void fuzzText(const uint8_t *data, size_t size);

// Names of the targets, as the corpus and regression folders are named.
struct FuzzTarget {
    const char *name;
    void (*run)(const uint8_t *data, size_t size);
};
extern const FuzzTarget fuzz_targets[4];
