#pragma once
// Whether a name has the extension ".zip", compared lower-cased ("B.ZIP" has it).
#include <string>

bool HasZipExtension(const std::string& name);
