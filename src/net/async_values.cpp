#include "net/async_events.h"

int32_t async_load = -1;
int32_t iap_data = -1;
