#include "host/loop_services_stand_in.h"

// No gamepad is read yet, so there is none to announce.
void Gamepad_AnnounceAll() {}
