// The campaign's part of the HUD: the level banner, the boss health bars with the gatherer's
// pips, the named markers of off-screen bosses and the rolling-row warning arrows. Drawn at full
// opacity in the letterbox's 2D space (origin at its top-left corner) with the interface font of
// hud/hud_draw.h. Needs the window.
#pragma once

#include "campaign/campaign.h"
#include "world/camera.h"

// Everything below in order, each once, while the campaign is not in victory; `time` is the
// run's total time (marker pulse).
void CampaignHudDraw(const Campaign &campaign, const MudPool &pool, const FollowCamera &camera, float viewWidth,
                     float viewHeight, float time);
// "Уровень %d" centred near the top while the banner shows.
void CampaignDrawBanner(const Campaign &campaign, float viewWidth);
// Health bars above on-screen bosses, the gatherer's twenty pips, markers for off-screen bosses.
void CampaignDrawBosses(const MudPool &pool, const FollowCamera &camera, float viewWidth, float viewHeight, float time);
// The arrows of a row warning at the edge the row comes from.
void CampaignDrawRowWarning(const Campaign &campaign, const FollowCamera &camera, float viewWidth, float viewHeight);
