#include "effects/blast.h"

void blast_at_weapon(PedHandle, EntityHandle, bool, int, const EffectSpec&, const EffectSpec&) {}
void knock_down_shooter(PedHandle, bool, FallAction) {}
void ragdoll_random_direction(PedHandle, bool) {}
void knocked_out_fall(PedHandle, bool) {}
