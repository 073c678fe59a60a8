// Transfer-function files: JSON, an array of presets in the shape colour-map
// preset files commonly use,
//   [{"Name": "...", "RGBPoints": [x, r, g, b, ...],
//     "Points": [x, a, midpoint, sharpness, ...],
//     "Units": "file", "Shading": [ka, kd, ks, p] or "off"}]
// of which the first is read. "Units" and "Shading" are ours. Without
// "Units": "file" the x of both lists are stretched onto the volume's range
// lo..hi by the RGBPoints' range (the Points' when there are no RGBPoints),
// as colour-map presets expect.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "render/transfer_function.h"

namespace calyra {

// Larger files are refused unread.
inline constexpr std::uintmax_t kMaxTransferFunctionFileBytes = std::uintmax_t{1} << 20;
// Points in one list, at most: as many as the tables have entries.
inline constexpr std::size_t kMaxTransferFunctionPoints = 4096;

// Reads a file's text; fileName only names it in the messages. On success,
// notes lists what was read otherwise than the file says (midpoints and
// sharpness read as linear, a colour space read as RGB, keys not used, the
// presets after the first); the function's preset name is empty. On failure
// nothing is returned and error says "Cannot read the transfer function
// FILE: REASON". Both notes and error are set afresh. Never throws.
std::optional<TransferFunction> ParseTransferFunctionText(const std::string& text,
                                                          const std::string& fileName, double lo,
                                                          double hi,
                                                          std::vector<std::string>& notes,
                                                          std::string& error);

// The same from the file at path; missing files, folders, other than regular
// files and files over kMaxTransferFunctionFileBytes are refused before they
// are read.
std::optional<TransferFunction> ReadTransferFunctionFile(const std::string& path, double lo,
                                                         double hi, std::vector<std::string>& notes,
                                                         std::string& error);

// The text of a file that reads back, whatever the volume's range, to the
// same points and shading and so to bit-identical tables: "Units": "file",
// every number as the shortest decimal that reads back exactly, "Name" the
// preset's or "custom". An empty list is left out; a number that is not
// finite (no edit or preset makes one) is written as null, which no reader takes.
std::string TransferFunctionText(const TransferFunction& tf);

}  // namespace calyra
