// The program's seams to the world outside, all in one place: the clock, sleeping, ending the
// process, and the caller's channel. The program reads the clock and sleeps through
// datetime.h, ends through harbex::Halt and talks through the door kit's channel; each of those
// consults Seams() first. A test replaces what it needs, for example
//     common::Seams().MonotonicMs = 5'000'000;   // a monotonic clock it advances by hand
//     common::Seams().Sleep = [](int) {};         // farewells that do not wait
// and puts everything back with ResetSeams(). Nothing else in the program has a test setter.
#pragma once

#include <cstdint>
#include <optional>

namespace common {

struct TSeams {
    // The clock. Now: the local date and time (Today is its midnight, UnixTimeNow the same
    // instant as if the local zone were UTC). MonotonicMs: the millisecond counter of timers.
    std::optional<double> Now;
    std::optional<int64_t> MonotonicMs;
    // Sleeping: called instead of sleeping for AMs milliseconds.
    void (*Sleep)(int AMs) = nullptr;
    // Ending the process: Halt calls this with the exit code once the exit procedures ran
    // (it may throw); should it return, the process exits anyway.
    void (*Halt)(int ACode) = nullptr;
    // The channel. Wait: called instead of waiting up to AMs milliseconds for the caller's
    // input or a signal (output always waits for real). StdIn, StdOut: the descriptors of
    // standard-I/O and local mode. Messages: where the start-up messages and the usage screen go.
    void (*Wait)(int AMs) = nullptr;
    int StdIn = 0, StdOut = 1, Messages = 1;
    // The local screen image is drawn on this descriptor (-1: nowhere); unset: on standard
    // output when it is a terminal and not the caller's channel.
    std::optional<int> LocalScreen;
};

TSeams& Seams();
void ResetSeams();

} // namespace common
