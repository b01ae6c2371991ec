#pragma once

#include "common/types.h"

// The barrel crack: blast, wear of degradation and dirt, and a 0.21 chance of
// a fall. Returns the wear it drew, which the play log keeps.
float crack_barrel(PedHandle ped, EntityHandle weapon_object, float dirt, float min_dirt, float degradation,
                   float min_degradation, int expo_type, bool is_npc);

// The wear of one crack, drawn in [0.06, 0.21).
float draw_crack_wear();
// What a crack with this wear leaves of a dirt or degradation value: lifted
// to wear + the class's minimum when that reaches it (at most 0.99), kept as
// it was passed in otherwise.
float crack_lift(float value, float wear, float minimum);
