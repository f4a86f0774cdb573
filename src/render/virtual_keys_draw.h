// The visible virtual keys, drawn as white quads over the GUI layer.
#pragma once

void IO_DrawVirtualKeys();
