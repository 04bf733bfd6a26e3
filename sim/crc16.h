// CRC-16 of the bootloader's data blocks.
#pragma once

#include <cstddef>
#include <cstdint>

namespace varnsim {

// CRC-16/MODBUS: reflected polynomial 0xA001, least significant bit first,
// no final xor. Start from 0xFFFF for a whole block; pass a previous result to
// continue over a further chunk.
uint16_t Crc16Modbus(const uint8_t* data, size_t size, uint16_t crc = 0xFFFF);

} // namespace varnsim
