#include "model/ped_scan.h"

void scan_peds() {}
void evaluate_ped_weapon(PedHandle /*ped*/, bool /*is_npc*/) {}
