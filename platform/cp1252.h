#pragma once

#include <string>
#include <string_view>

namespace kelvane {

// File data (archive names, text files, INI values...) is Windows-1252; the rest of the
// program speaks UTF-8. These two functions are the only crossing between the two.

// Every byte maps to a character; the five undefined bytes become U+FFFD.
std::string cp1252ToUtf8(std::string_view bytes);

// Characters without a Windows-1252 form become '?'; malformed UTF-8 bytes too.
std::string utf8ToCp1252(std::string_view utf8);

// True when `bytes` are well-formed UTF-8: no stray, cut or overlong sequence, no surrogate,
// nothing past U+10FFFF. Windows-1252 text with accents almost never is.
bool isValidUtf8(std::string_view bytes);

// True when `utf8` is well-formed and every character has a Windows-1252 form, so that
// utf8ToCp1252 loses nothing.
bool fitsCp1252(std::string_view utf8);

// The upper-case form of a Windows-1252 byte (accented letters included), for comparing
// stored names case-blind as the simulators do.
unsigned char cp1252Upper(unsigned char c);
std::string cp1252Upper(std::string_view bytes);

}  // namespace kelvane
