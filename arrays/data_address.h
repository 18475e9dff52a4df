// Where an array's data lies: the kernel of korvelDataPtr and pelvaDataPtr.
#ifndef KORVEL_ARRAYS_DATA_ADDRESS_H
#define KORVEL_ARRAYS_DATA_ADDRESS_H

#include <cstdint>

namespace korvel {

// The low 32 bits of an address read as a signed 32-bit integer: two's
// complement, without an implementation-defined narrowing conversion; every
// result is exact in a double. A null address gives 0.
inline double lowAddressBits(const void *address) {
  const std::uint32_t low = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(address));
  return low >= 0x80000000u ? static_cast<double>(low) - 4294967296.0 : static_cast<double>(low);
}

}  // namespace korvel

#endif  // KORVEL_ARRAYS_DATA_ADDRESS_H
