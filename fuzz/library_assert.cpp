// The assertion handler of the libraries the format targets link (GDCM is
// built with its assertions on). A library that asserts on a damaged file
// throws here instead of ending the process: the program reads such files in
// a child and refuses them, so for the fuzzer it is a refusal, not a crash of
// ours. Defined without the C library's declaration, which forbids throwing.
#include <string>

#include "formats/source_volume.h"

extern "C" [[noreturn]] void __assert_fail(const char*, const char*, unsigned, const char*) {
    throw calyra::formats::FormatError("the library stopped on it");
}
