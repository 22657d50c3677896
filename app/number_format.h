#pragma once
// Numbers as the window shows them: whole numbers with thousands separators ("#,##0").
#include <cstdint>
#include <string>

std::string FormatThousands(int64_t value, const std::string& separator = ",");
// With the separator of the user's locale.
std::string FormatThousandsLocal(int64_t value);
