#include "io/graphics_device.h"

GR_D3DDeviceState g_D3D;
