#include "model/shot_eval.h"

void evaluate_shot(const PedWeaponReading& /*reading*/) {}
