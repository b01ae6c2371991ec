#pragma once
// The evaluation of one shot in the game: the shot's decisions
// (shot_decision.h) bound to the natives and ModRng, the player's recoil and
// barrel heat, the record and the debug line, the outcome played.

#include "model/ped_scan.h"
#include "model/shot_record.h"

inline constexpr int debug_line_size = 256;

// Evaluates one shot, records it (shot_record.h) and plays its outcome.
void evaluate_shot(const PedWeaponReading& reading);
