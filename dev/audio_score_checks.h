// Developer self-check of the seeded score ("--test-audio-score"): every key and route voiced,
// the rules of every line over many seeds, determinism of the score and of the notes the engine
// starts from it, and a per-bar dump of one score.
#pragma once

#include "audio/score.h"

#include <cstddef>

// The score's rules (ranges, gates, leaps, chord tones, the answer under the lead, the pad's
// spacing and movement round the loop, the cadences). False with the first broken rule written
// to `detail` (size `size`), true when all hold.
bool DevAudioScoreValid(const Score &score, char *detail, size_t size);
// The pad's rules alone: chord tones in 45..74, adjacent voices 3..9 apart on three pitch
// classes, no voice moving more than 5 semitones, bar 31 back to bar 0 included.
bool DevAudioScorePadsValid(const Score &score, char *detail, size_t size);
// Prints the score bar by bar: chord, pad, and the four lines step by step.
void DevAudioScoreDump(const Score &score);
// Runs the checks, prints one line each and "N passed, N failed"; 0 when all hold.
int DevTestAudioScore();
