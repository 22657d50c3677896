// mobrel-cli list, run as a program: the listing agrees with the peers, and failures end
// with the engine's message and exit status 2.
#include <gtest/gtest.h>

#include <sstream>

#include "test_support.h"

namespace mobrel {
namespace {

std::string Cli(const std::string& args) {
    return std::string(MOBREL_CLI_PATH) + " " + args;
}

std::string TestArchive(const std::string& name) {
    return (test::TestDataDir() / name).string();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Python's zipfile prints the same fields -v does, as the oracle.
std::string PythonVerbose(const std::string& archive) {
    // zipfile ignores the Unicode Path field (0x7075) that unzip and 7-Zip honour; name()
    // applies it as they do, when its CRC matches the stored name. It also shows only the
    // DOS date-time: when() takes the exact time of the extended timestamp (0x5455) or
    // NTFS field (0x000A) as unzip does, and mode() the Unix mode of a Unix host, or of
    // another host when its type is a file, folder or link.
    return test::RunCommand(
               "python3 -c \"import sys,zipfile,struct,zlib,time\n"
               "def fields(i):\n"
               "  x=i.extra;f={}\n"
               "  while len(x)>=4:\n"
               "    t,n=struct.unpack('<HH',x[:4]);f.setdefault(t,x[4:4+n]);x=x[4+n:]\n"
               "  return f\n"
               "def name(i):\n"
               "  raw=i.orig_filename.encode('utf-8' if i.flag_bits&0x800 else 'cp437')\n"
               "  d=fields(i).get(0x7075,b'')\n"
               "  if d[:1]==bytes([1]) and len(d)>=5 and "
               "struct.unpack('<I',d[1:5])[0]==zlib.crc32(raw):\n"
               "    return d[5:].decode('utf-8').replace(chr(92),'/')\n"
               "  return i.filename\n"
               "def exact(i):\n"
               "  f=fields(i);u=f.get(0x5455,b'')\n"
               "  if len(u)>=5 and u[0]&1:\n"
               "    return struct.unpack('<i',u[1:5])[0]\n"
               "  n=f.get(10,b'')[4:]\n"
               "  while len(n)>=4:\n"
               "    t,m=struct.unpack('<HH',n[:4])\n"
               "    if t==1 and m>=24:\n"
               "      return struct.unpack('<q',n[4:12])[0]//10000000-11644473600\n"
               "    n=n[4+m:]\n"
               "def when(i):\n"
               "  e=exact(i)\n"
               "  if e is None:\n"
               "    return '%04d-%02d-%02d %02d:%02d:%02d' % i.date_time\n"
               "  return time.strftime('%Y-%m-%d %H:%M:%S',time.localtime(e))\n"
               "def mode(i):\n"
               "  m=i.external_attr>>16\n"
               "  return m if i.create_system==3 or m&0o170000 in (0o100000,0o40000,0o120000) "
               "else 0\n"
               "for i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
               "  print('%s\\t%d\\t%d\\t%d\\t%08x\\t%s\\t%x\\t%d\\t%o' % "
               "(name(i), i.file_size, i.compress_size, i.compress_type, i.CRC, when(i), "
               "i.external_attr, i.flag_bits & 1, mode(i)))\" " +
               test::ShellQuote(archive))
        .Output;
}

TEST(CliList, VerboseLinesAgreeWithPythonsZipfile) {
    for (const char* name : {"comment-archive-and-file-comments--infozip-gen.zip",
                             "enc-zipcrypto-deflate-pw-Secret-123--infozip-gen.zip",
                             "m08-deflate-winzip--commons-compress.zip",
                             "dd-7z-stdout-stream--7z-gen.zip", "empty-22-bytes--python-gen.zip"}) {
        SCOPED_TRACE(name);
        const test::CommandResult result =
            test::RunCommand(Cli("list -v ") + test::ShellQuote(TestArchive(name)));
        EXPECT_EQ(result.ExitCode, 0);
        // zipfile lists in directory order; these archives store entries in that order.
        EXPECT_EQ(result.Output, PythonVerbose(TestArchive(name)));
    }
}

TEST(CliList, FiveColumnsThenTheTotals) {
    const std::string archive = TestArchive("comment-archive-and-file-comments--infozip-gen.zip");
    const test::CommandResult result = test::RunCommand(Cli("list ") + test::ShellQuote(archive));
    ASSERT_EQ(result.ExitCode, 0) << result.Output;
    const std::vector<std::string> lines = Lines(result.Output);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "Relative Path  Filename          Size  Zipped Size  Date");
    EXPECT_EQ(lines[2], "docs/          hamlet_30k.txt  30,000       12,855  2024-03-15");
    EXPECT_EQ(lines[4], "Unzipped: 30,011");
    EXPECT_EQ(lines[5], "Zipped: " + std::string("13,462"));
    EXPECT_EQ(std::filesystem::file_size(archive), 13462u);
}

TEST(CliList, FailuresGiveTheEngineMessageAndStatus2) {
    test::TempDir temp;
    test::WriteFileText(temp / "text.zip", "just some text, no archive\n");
    const struct {
        std::string Args;
        std::string Message;
    } cases[] = {
        {"list " + test::ShellQuote((temp / "text.zip").string()), "Not a valid zip file!"},
        {"list " + test::ShellQuote((temp / "missing.zip").string()), "Cannot open file"},
        {"list", "an archive is needed"},
        {"list -x a.zip", "unknown option -x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Args);
        const test::CommandResult result = test::RunCommand(Cli(c.Args));
        EXPECT_EQ(result.ExitCode, 2);
        EXPECT_NE(result.Output.find(c.Message), std::string::npos) << result.Output;
    }
}

TEST(CliList, ADamagedArchiveIsListedFromItsLocalHeadersWithAWarning) {
    const test::CommandResult result = test::RunCommand(
        Cli("list -v ") + test::ShellQuote(TestArchive("corrupt-truncated-at-20000--derived.zip")));
    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_NE(result.Output.find("bin/binary_20k.bin\t20000\t6023\t8\t"), std::string::npos);
    EXPECT_NE(result.Output.find("central directory is damaged"), std::string::npos);
}

}  // namespace
}  // namespace mobrel
