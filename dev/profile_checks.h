// Developer self-check of the profile ("--test-profile", no window) and the loader's fuzzer.
#pragma once

#include <cstdint>

// What a fuzzing run saw.
struct DevFuzzReport {
    long long runs;       // mutated files decoded
    long long accepted;   // of them, decoded successfully
    long long failures;   // broken invariants (each printed once per kind, up to a few)
};

// Runs the profile's file checks in a temporary folder (never the player's own); prints one
// line per check and "N passed, N failed"; 0 when all hold.
int DevTestProfile();
// Decodes `count` files mutated from valid records of every version (the checksum fixed in
// most of them, so the field checks are reached) and checks what any decode must hold: a
// rejected file leaves the record untouched, an accepted one is savable, re-encodes to
// itself, and a version-6 file that needed no clamping re-encodes to the same bytes.
DevFuzzReport DevFuzzProfile(long long count, uint32_t seed);
