// What a long run must keep true of Field, checked from outside: every float of the run's
// records finite, every pool, queue and ring within its capacity; and the process's resident
// memory. Pure apart from reading /proc.
#pragma once

#include "app/field.h"

#include <cstddef>
#include <cstdint>

// True if every float and double of Field's records is finite: the plain records member by
// member (the creature pool word by word, every 4-byte word a float except the integers and byte
// flags it lists), and with `heap` also the eyes in use and the soil's cells and loose volume.
// Otherwise false with the first offender's name in `where` (e.g. "mud.slots[3] +412").
bool SoakFinite(const Field &field, bool heap, char *where, size_t size);
// True if every count, index and cursor lies within its record's capacity: the creature pool and
// its death queue, the creatures' links, the meteor and blade queues, the cut segments, the
// drone's impact ring, the bosses and rollers of the campaign, the held keys, the hearts, the
// eyes' storage, the shop's levels. Otherwise false with the first offender named in `what`.
bool SoakWithinCapacity(const Field &field, char *what, size_t size);
// The resident set of this process in bytes (/proc/self/statm); 0 where it cannot be read.
uint64_t SoakResidentBytes();
