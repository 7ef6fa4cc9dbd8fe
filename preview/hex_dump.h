#pragma once

#include <string>
#include <string_view>

namespace kelvane {

// The classic dump of `bytes`, 8 to a line: the offset in hex (four digits, more when the
// bytes need them), the bytes in hex (an extra space after the fourth), then the bytes as
// characters, printable ASCII as it stands and '.' for the rest. Lines end with '\n' except
// the last; nothing for no bytes.
std::string hexDump(std::string_view bytes);

}  // namespace kelvane
