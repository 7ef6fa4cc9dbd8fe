#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "decoders/dbf_table.h"

// Reads the table and every cell of the records present, plus one row and one column past
// them.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const kelvane::DbfTable table =
            kelvane::decodeDbfTable(std::string_view(reinterpret_cast<const char*>(data), size));
        std::size_t total = 0;
        const std::size_t rows = table.recordCount() < size + 1 ? table.recordCount() : size + 1;
        for (std::size_t r = 0; r < rows; ++r) {
            for (std::size_t f = 0; f <= table.fieldCount(); ++f) total += table.cell(r, f).size();
        }
        if (total > size) __builtin_trap();  // cells are disjoint slices of the records
    } catch (const std::runtime_error&) {
    }
    return 0;
}
