#include "player/player.h"

void PlayerReset(Player &player, Vector3 position)
{
    player = {};
    player.position = position;
    player.yaw = PLAYER_START_YAW;
    player.speedMultiplier = 1.0f;
}

float PlayerSpeedFactor(const Player &player)
{
    if (player.speedTimesTen) return 10.0f;
    return player.speedMultiplier > 1.0f ? player.speedMultiplier : 1.0f;
}
