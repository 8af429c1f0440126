// Mudling contacts: the five questions the game step asks after the mudling update, each
// answering whether a creature hurt the player during this frame: body touch, dash, kick, punch
// and thrown bun. Every test is swept: the player's capsule moves in a straight line from its
// position at the start of the frame to its position at the end, each creature part moves
// linearly from its snapshot at the start of the update to its pose at the end, and only the
// relative motion counts, so nothing passes through anything between frames at any frame rate.
//
// The player is a vertical capsule of radius r spanning 0.1 m to 2.0 m above its feet. The touch
// query only reads the pool; the four attack queries change only their own frame stamps and the
// hit-done latch of each attack they report, so an attack hurts once and a repeated query in the
// same update answers false. All five answer false for non-finite input or a negative radius.
#pragma once

#include "mud/mud_pool.h"

constexpr float MUD_CONTACT_LOW = 0.1f;     // metres above the feet: the capsule's bottom
constexpr float MUD_CONTACT_HIGH = 2.0f;    // the capsule's top
constexpr int MUD_CONTACT_ADVANCE_STEPS = 48;
constexpr float MUD_CONTACT_GAP = 0.0001f;  // metres: a capsule gap this small touches

// Body touch: bodies, legs, torsos and arms of every formed creature (wounded bodies by their true
// clay surface). Repeatable, read-only.
bool MudContactTouch(const MudPool &pool, Vector3 playerFrom, Vector3 playerTo, float radius);
// A bun's dash capsule along its locked line (flat: heights ignored). Once per update.
bool MudContactDash(MudPool &pool, Vector3 playerFrom, Vector3 playerTo, float radius);
// A walker's kicking foot, a circular cylinder. Once per update.
bool MudContactKick(MudPool &pool, Vector3 playerFrom, Vector3 playerTo, float radius);
// A golem's striking hand, a sphere. Once per update.
bool MudContactPunch(MudPool &pool, Vector3 playerFrom, Vector3 playerTo, float radius);
// A thrown bun over the part of its flight this update made. Once per update.
bool MudContactProjectile(MudPool &pool, Vector3 playerFrom, Vector3 playerTo, float radius);

// Swept elliptic cylinder against the player: centre moving partFrom -> partTo, semi-axes
// `sideways` and `forward` turned by `yaw` (inflated by the player radius), half height
// `halfHeight` (not inflated). True when they overlap at some moment of the frame.
bool MudContactSweepCylinder(Vector3 partFrom, Vector3 partTo, float sideways, float forward, float halfHeight, float yaw,
                             Vector3 playerFrom, Vector3 playerTo, float radius);
// Swept capsule (segment a -> b of radius partRadius; a and b each move linearly from *0 to *1)
// against the player, by conservative advancement (at most 48 steps).
bool MudContactSweepCapsule(Vector3 a0, Vector3 b0, Vector3 a1, Vector3 b1, float partRadius, Vector3 playerFrom,
                            Vector3 playerTo, float radius);
// The true clay surface of a wounded body (cavities and cuts carved away) against the player's
// path relative to the body, sampled every 0.075 m at most (1 to 1024 steps).
bool MudContactWounded(const MudSlot &slot, Vector3 playerFrom, Vector3 playerTo, float radius);
