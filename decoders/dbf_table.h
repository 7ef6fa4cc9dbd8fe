#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

// A dBASE table as raw text: the field names and, for each record, its field values
// exactly as stored (Windows-1252 bytes, padding kept, types not interpreted). The
// records' bytes are kept in one block and cells are views into it, so that large tables
// read at once.
class DbfTable {
  public:
    const std::vector<std::string>& fieldNames() const { return fieldNames_; }
    std::size_t fieldCount() const { return fieldNames_.size(); }
    // Rows below the header, as the table's header counts them (0 for a negative count).
    std::size_t recordCount() const { return recordCount_; }
    // The records whose bytes the file holds, wholly or in part: at most recordCount().
    std::size_t recordsInFile() const { return recordEnds_.size(); }
    // The text of one field of one record; empty for records missing from the file.
    std::string_view cell(std::size_t record, std::size_t field) const;

  private:
    friend DbfTable decodeDbfTable(std::string_view bytes);

    std::vector<std::string> fieldNames_;
    std::vector<std::size_t> fieldOffsets_;  // within a record's text
    std::vector<std::uint8_t> fieldWidths_;
    std::size_t recordCount_ = 0;
    std::string text_;                     // the shown text of every record read
    std::vector<std::size_t> recordEnds_;  // end of each record's text within text_
};

// Reads a table from the bytes of a .DBF file. Throws std::runtime_error("Stream read
// error") when the bytes are too short for the table header or a field descriptor.
DbfTable decodeDbfTable(std::string_view bytes);

// The same for the file at `path`; also throws std::runtime_error naming the file when it
// cannot be opened or read.
DbfTable readDbfTable(const std::string& path);

}  // namespace kelvane
