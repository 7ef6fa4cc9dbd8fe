#pragma once

namespace kelvane {

class TPOD;

// Throws WriteRefused when rewriting `archive` could lose what it holds because it was not read
// whole or not surely as its layout: an older-layout archive without that layout's tag, an
// entry whose data run past the end of the file, dependency or audit records that do
// or that overlap the directory, or a name table whose stated size does not match the names
// read where the records after it are found by that size. An archive whose header or directory
// does not fit never gets this far: it cannot be read at all.
void requireSoundReading(const TPOD& archive);

}  // namespace kelvane
