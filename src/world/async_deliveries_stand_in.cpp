#include "world/async_deliveries_stand_in.h"

void IAP_DeliverEvents() {}
void Push_DeliverEvents() {}
void HTTP_Tick() {}
