// The fuzz build compiles the formats sources with clang, but Debian's ITK
// generated its compiler detection header for GCC alone: it stops at any
// other compiler, and at GCC before 4.4 (clang calls itself GCC 4.2). The
// header is read here as GCC 12 sees it; clang 14 has every language
// feature that GCC 12 is said to have. Included ahead of the source
// (-include); ITK's own include of the header then finds it read.
#pragma once

#pragma push_macro("__clang__")
#pragma push_macro("__GNUC__")
#pragma push_macro("__GNUC_MINOR__")
#undef __clang__
#undef __GNUC__
#undef __GNUC_MINOR__
#define __GNUC__ 12
#define __GNUC_MINOR__ 2
#include <itk_compiler_detection.h>
#pragma pop_macro("__GNUC_MINOR__")
#pragma pop_macro("__GNUC__")
#pragma pop_macro("__clang__")
