#include "reader/bomb_archives.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace mobrel::test {

namespace {

constexpr const char* kZerosBomb = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('a.txt', 'first\n')
    with z.open('bomb.bin', 'w') as member:
        chunk = bytes(1 << 20)
        for _ in range(int(sys.argv[2])):
            member.write(chunk)
    z.writestr('z.txt', 'last\n')
)";

// Both headers saturate their sizes and give them in a ZIP64 field; the CRC is that of the
// mebibyte actually stored.
constexpr const char* kDeclaredBomb = R"(
import struct, sys, zlib
plain = bytes(1 << 20)
packer = zlib.compressobj(9, zlib.DEFLATED, -15)
body = packer.compress(plain) + packer.flush()
declared = int(sys.argv[2])
name = b'bomb.bin'
field = struct.pack('<HHQQ', 1, 16, declared, len(body))
crc = zlib.crc32(plain)
local = struct.pack('<IHHHHHIIIHH', 0x04034b50, 45, 0, 8, 0, 0x21, crc, 0xFFFFFFFF,
                    0xFFFFFFFF, len(name), len(field)) + name + field
central = struct.pack('<IHHHHHHIIIHHHHHII', 0x02014b50, 45, 45, 0, 8, 0, 0x21, crc,
                      0xFFFFFFFF, 0xFFFFFFFF, len(name), len(field), 0, 0, 0, 0o100644 << 16,
                      0) + name + field
end = struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, 1, 1, len(central), len(local) + len(body), 0)
open(sys.argv[1], 'wb').write(local + body + central + end)
)";

void RunPython(const char* program, const std::filesystem::path& archive,
               const std::string& argument) {
    ASSERT_TRUE(HaveTool("python3"));
    const CommandResult made = RunCommand("python3 -c " + ShellQuote(program) + " " +
                                          ShellQuote(archive.string()) + " " + argument);
    ASSERT_EQ(made.ExitCode, 0) << made.Output;
}

}  // namespace

void MakeZerosBomb(const std::filesystem::path& archive, int mebibytes) {
    RunPython(kZerosBomb, archive, std::to_string(mebibytes));
}

void MakeDeclaredBomb(const std::filesystem::path& archive, uint64_t declaredSize) {
    RunPython(kDeclaredBomb, archive, std::to_string(declaredSize));
}

}  // namespace mobrel::test
