// STAND-IN until the byte-code loaders are built: the CODE, VARI and FUNC loaders accept their
// chunk (a log line, nothing kept).
#pragma once

#include <cstdint>

#include "host/container.h"

bool VARI_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
bool FUNC_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
bool Code_PrepareBytecode(uint8_t* body, uint32_t size, const ContainerBytes& container);
