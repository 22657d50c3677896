#pragma once
// A file's type and permission bits (st_mode) written as `ls -l` writes them: the type
// letter, then read, write and execute for owner, group and others, with set-user-ID,
// set-group-ID and sticky in the execute places ("-rwsr-x--T").
#include <cstdint>
#include <string>

namespace mobrel {

// Ten characters. A type this system does not know is written '?'.
std::string FileModeText(uint32_t mode);

}  // namespace mobrel
