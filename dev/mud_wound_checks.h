// Developer self-checks of the mudling wounds and contacts, without a window.
#pragma once

// "--test-destruction": strikes, cuts, chunks and corpses; the clay ledger, hurt-once masks,
// boss hit points and the input guards. One line per named check and "N passed, N failed";
// 0 when all hold.
int DevTestDestruction();
// "--test-contacts": the swept body touch: fast crossings caught at 30, 60 and 144 Hz, near
// misses and formless bodies never touched, the query read-only, cut bodies by their clay.
int DevTestContacts();
// "--test-contact-damage": the attack queries: a boss dash hits once at every rate and misses a
// dodge, a kick and a thrown bun hurt once, repeated or disabled queries answer false.
int DevTestContactDamage();
