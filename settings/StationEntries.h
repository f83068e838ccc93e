#pragma once

#include <array>
#include <string_view>

namespace StationTable {

// The entries as Latin-1 text, in table order.
const std::array<std::string_view, 555>& rawEntries();

} // namespace StationTable
