#include "net/async_events.h"

int32_t iap_data = -1;
