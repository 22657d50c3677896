#pragma once
// The program's name and version as every caption shows them.
inline constexpr const char* kProgramVersion = "Tollan's Mobrel Version 1.400";
