#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

// Decodes a tagged object file (.BGR, .TXP, .TMS, .QTI) into text lines, one item per
// line, in Windows-1252 bytes. Each tag ("<vert>", "<icao>"...) is written as a line and
// followed by the lines of its payload; reals use `decimalSeparator`. The layout of a
// payload is chosen by the first six characters of the last line written. A byte that
// neither starts a tag nor belongs to that layout, or a value cut short by the end of the
// data, ends decoding with the line "Erreur : token <last line> inconnu - Index $<offset>".
std::vector<std::string> decodeObjectFile(std::string_view bytes, char decimalSeparator);

// The same for the whole file at `path`; throws std::runtime_error naming the file when it
// cannot be opened or read.
std::vector<std::string> readObjectFile(const std::string& path, char decimalSeparator);

}  // namespace kelvane
