#pragma once
// The permission bits of extracted files: what the process's umask takes away, and giving
// a file or folder the bits an archive recorded for it.
#include <cstdint>
#include <string>

namespace mobrel {

// The process's file mode creation mask. Read from /proc where it can be, so no other
// thread ever sees the mask changed; else set and put back at once.
uint32_t ProcessUmask();

// The permission bits (0777) of mode less umask: set-user-ID, set-group-ID and sticky
// never come from an archive.
uint32_t MaskedPermissions(uint32_t mode, uint32_t umask);

// Gives path (a file or folder, never a link: a link at path is refused) exactly the
// permission bits in permissions. False when they could not be set.
bool SetPermissions(const std::string& path, uint32_t permissions);
// The same for the file open as descriptor, which is no link.
bool SetOpenFilePermissions(int descriptor, uint32_t permissions);

}  // namespace mobrel
