// Three 32-bit integers: volume shapes, integer gradients and axis vectors.
#pragma once

#include <cstdint>

namespace calyra {

struct Int3 {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t z = 0;
};

}  // namespace calyra
