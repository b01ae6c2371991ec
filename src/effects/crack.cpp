#include "effects/crack.h"

void crack_barrel(PedHandle, EntityHandle, float, float, float, float, int, bool) {}
