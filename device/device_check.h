// The check value that every request to the device service carries. The
// program computes it over the request's argument blocks; the service computes
// it again and refuses a request whose value differs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "device/device_service.h"

// The weight of each byte value: a fixed permutation of 0-255 that the program
// and the service share.
extern const std::array<std::uint8_t, 256> kCheckWeights;

// Adds the weight of each of `size` bytes to `sum` (32-bit, wrapping).
std::uint32_t AccumulateCheck(std::uint32_t sum, const void* bytes, std::size_t size);

// The check of one request: the selector's 16 bytes, the callback pointer's
// bytes (its full width, 8 in the 64-bit build), the tag's 4 bytes, then the
// payload (none for counts and reads).
std::uint32_t RequestCheck(const UnitSelector& selector, NoticeCallback callback, std::uint32_t tag,
                           const void* payload, std::size_t length);
