#include "render/buffers.h"

namespace calyra {

std::uint32_t ImageBuffer[kBufferSide * kBufferSide * 3];
std::int32_t DepthBuffer[kBufferSide * kBufferSide];
std::int32_t displayMax = 0;

}  // namespace calyra
