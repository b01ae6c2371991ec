#include "effects/explosion.h"

void explode_gun(PedHandle, EntityHandle, GameHash, int, bool) {}
