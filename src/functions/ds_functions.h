// The data-structure script functions of every container kind.
#pragma once

// Registers the group's 128 script functions.
void InitDSFunctions();
