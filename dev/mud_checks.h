// Developer modes of the mudling pool, without a window.
#pragma once

// "--test-mud": the pool's self-checks, one line per named check and "N passed, N failed";
// 0 when all hold.
int DevTestMud();
// "--benchmark-mud": 48 creatures crowding a moving player for 3600 steps at 1/60 s; prints the
// median, p99 and max milliseconds per MudPoolUpdate (and per packing). 0 on completion.
int DevBenchmarkMud();
