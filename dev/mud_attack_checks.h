// Developer modes of mudling fusion and attacks, without a window.
#pragma once

// "--test-merge": the clay ledger through fusions and an interruption, compatibility, director
// caps, the fusion's length at 30/60/144 Hz. One line per check and "N passed, N failed".
int DevTestMerge();
// "--test-evolution": legs and arms growing out of fusions without a jump in height.
int DevTestEvolution();
// "--test-attack": the bun dash, the walker kick and boss 0's leap and dash; latches and sweeps.
int DevTestAttack();
// "--test-golem": pickup, throw, puddle, reassembly and the arm spring.
int DevTestGolem();
// "--test-golem-contact": what the contact queries will read from golems: the punching hand's
// reach and latch, the held bun in the hand, the flight sweep cut at the shuttle, harmless
// puddles, joints inside the arena and out of the shuttle.
int DevTestGolemContact();
// "--benchmark-walkers": 48 walkers attacking a circling player for 3600 steps at 1/60 s; median,
// p99 and max milliseconds per MudPoolUpdate. 0 on completion.
int DevBenchmarkWalkers();
// "--benchmark-golems": 16 golems picking and throwing among 32 buns, as above.
int DevBenchmarkGolems();
