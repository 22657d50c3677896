// Entry records: reading central and local headers (names, dates, hostile and cut data, a
// header continued on the next disk), the name and comment setters, Assign, and the
// headers written back.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "format/header_bytes.h"
#include "format/zip_header_info.h"
#include "platform/engine_errors.h"
#include "platform/memory_stream.h"

namespace mobrel {
namespace {

using test::CentralHeaderBytes;
using test::Get16;
using test::Get32;
using test::HeaderFields;
using test::LocalHeaderBytes;

constexpr uint16_t kUtf8Flag = 0x0800;

TZipHeaderInfo ReadCentralFrom(const std::vector<uint8_t>& bytes) {
    TMemoryStream stream(bytes);
    TZipHeaderInfo record;
    EXPECT_TRUE(record.ReadCentral(stream));
    EXPECT_EQ(stream.Position(), static_cast<int64_t>(bytes.size()));
    return record;
}

TZipHeaderInfo ReadLocalFrom(const std::vector<uint8_t>& bytes) {
    TMemoryStream stream(bytes);
    TZipHeaderInfo record;
    EXPECT_TRUE(record.ReadLocal(stream));
    return record;
}

std::vector<uint8_t> WrittenCentral(TZipHeaderInfo& record) {
    TMemoryStream stream;
    record.WriteCentral(stream);
    return stream.Bytes();
}

std::vector<uint8_t> WrittenLocal(TZipHeaderInfo& record) {
    TMemoryStream stream;
    record.WriteLocal(stream);
    return stream.Bytes();
}

std::string Tail(const std::vector<uint8_t>& bytes, size_t from) {
    return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end());
}

TEST(ZipHeaderInfoTest, RecordWrittenAtOnceCarriesTheDefaults) {
    TZipHeaderInfo record;
    const std::vector<uint8_t> central = WrittenCentral(record);
    ASSERT_EQ(central.size(), 46u);
    EXPECT_EQ(Get32(central, 0), 0x02014B50u);
    EXPECT_EQ(Get16(central, 4), 20);  // version made by
    EXPECT_EQ(Get16(central, 6), 20);  // version needed
    EXPECT_EQ(Get16(central, 8), 0);   // flags
    EXPECT_EQ(Get16(central, 10), 8);  // deflated
    EXPECT_EQ(Get32(central, 16), 0xFFFFFFFFu);
    EXPECT_EQ(Get16(central, 36), 1);    // internal attributes
    EXPECT_EQ(Get32(central, 38), 32u);  // archive attribute
    const std::vector<uint8_t> local = WrittenLocal(record);
    ASSERT_EQ(local.size(), 30u);
    EXPECT_EQ(Get32(local, 0), 0x04034B50u);
    EXPECT_EQ(Get16(local, 8), 8);
    EXPECT_EQ(Get32(local, 14), 0xFFFFFFFFu);
}

TEST(ZipHeaderInfoTest, CentralHeaderFieldsLandInTheirPlaces) {
    HeaderFields f;
    f.VersionMadeBy = 0x0314;
    f.VersionNeeded = 10;
    f.Flags = 0x0009;
    f.Method = 6;
    f.Crc = 0xCAFEBABE;
    f.CompressedSize = 0x80000001;
    f.UncompressedSize = 0xFFFFFFFE;
    f.Disk = 3;
    f.InternalAttributes = 0;
    f.ExternalAttributes = 0x81A40021;
    f.LocalHeaderOffset = 0x12345678;
    f.Extra = "12345";
    f.Comment = "note";
    std::vector<uint8_t> bytes = {'j', 'u', 'n', 'k'};
    const std::vector<uint8_t> header = CentralHeaderBytes(f);
    bytes.insert(bytes.end(), header.begin(), header.end());
    TMemoryStream stream(bytes);
    stream.Seek(4, soBeginning);
    TZipHeaderInfo record;
    record.LocalExtraFieldLength = 7;  // not the central header's business
    ASSERT_TRUE(record.ReadCentral(stream));
    EXPECT_EQ(stream.Position(), static_cast<int64_t>(bytes.size()));
    EXPECT_EQ(record.VersionMadeBy, 0x0314);
    EXPECT_EQ(record.VersionNeeded, 10);
    EXPECT_EQ(record.GeneralFlags, 0x0009);
    EXPECT_TRUE(record.IsEncrypted());
    EXPECT_TRUE(record.HasDataDescriptor());
    EXPECT_EQ(record.CompressionMethod, 6);
    EXPECT_EQ(record.DosDateTime, 0x58636000u);
    EXPECT_EQ(record.CRC32, 0xCAFEBABEu);
    EXPECT_EQ(record.CompressedSize, 0x80000001u);
    EXPECT_EQ(record.UncompressedSize, 0xFFFFFFFEu);
    EXPECT_EQ(record.FileNameLength, 5);
    EXPECT_EQ(record.ExtraFieldLength, 5);
    EXPECT_EQ(record.FileCommentLength, 4);
    EXPECT_TRUE(record.HasComment());
    EXPECT_FALSE(record.FileComment().has_value());
    EXPECT_EQ(record.DiskNumberStart, 3);
    EXPECT_EQ(record.InternalAttributes, 0);
    EXPECT_EQ(record.ExternalAttributes, 0x81A40021u);
    EXPECT_EQ(record.LocalHeaderOffset, 0x12345678u);
    EXPECT_EQ(record.CentralHeaderOffset, 4u);
    EXPECT_EQ(record.LocalExtraFieldLength, 7);
    EXPECT_EQ(record.CentralSize(), 46u + 5 + 5 + 4);
}

TEST(ZipHeaderInfoTest, LocalHeaderLeavesTheStreamAfterTheName) {
    HeaderFields f;
    f.Name = "dir/x.bin";
    f.Extra = "extra";
    f.Flags = 0x0008;
    std::vector<uint8_t> bytes(100, 0);
    const std::vector<uint8_t> header = LocalHeaderBytes(f);
    bytes.insert(bytes.end(), header.begin(), header.end());
    TMemoryStream stream(bytes);
    stream.Seek(100, soBeginning);
    TZipHeaderInfo record;
    record.ExtraFieldLength = 9;  // not the local header's business
    record.SetFileComment("old");
    ASSERT_TRUE(record.ReadLocal(stream));
    EXPECT_EQ(stream.Position(), 100 + 30 + 9);
    EXPECT_EQ(record.LocalHeaderOffset, 100u);
    EXPECT_EQ(record.LocalExtraFieldLength, 5);
    EXPECT_EQ(record.ExtraFieldLength, 9);
    EXPECT_EQ(record.VersionMadeBy, 0);
    EXPECT_EQ(record.ExternalAttributes, 0u);
    EXPECT_EQ(record.InternalAttributes, 0);
    EXPECT_EQ(record.FileCommentLength, 0);
    EXPECT_FALSE(record.FileComment().has_value());
    EXPECT_EQ(record.Directory(), "dir\\");
    EXPECT_EQ(record.FileName(), "x.bin");
    // The local extra field is not read with the header, so it is not counted yet.
    EXPECT_TRUE(record.LocalExtra.empty());
    EXPECT_EQ(record.LocalSize(), 30u + 9);
}

TEST(ZipHeaderInfoTest, CentralNamesConvertFromCp437OnlyForMsDosHostsUnlessFlaggedUtf8) {
    HeaderFields f;
    f.Name = "caf\x82/\x84.txt";  // é and ä in CP437
    f.VersionMadeBy = 0x0014;
    TZipHeaderInfo dos = ReadCentralFrom(CentralHeaderBytes(f));
    EXPECT_EQ(dos.Directory(), "café\\");
    EXPECT_EQ(dos.FileName(), "ä.txt");
    EXPECT_EQ(dos.FileNameLength, 10);  // the stored bytes, which the comment loader skips

    f.VersionMadeBy = 0x0314;  // Unix: the bytes are kept as they are
    TZipHeaderInfo unix = ReadCentralFrom(CentralHeaderBytes(f));
    EXPECT_EQ(unix.FullName(), "caf\x82\\\x84.txt");

    f.VersionMadeBy = 0x0014;
    f.Flags = kUtf8Flag;
    f.Name = "名前/ünï.txt";
    TZipHeaderInfo utf8 = ReadCentralFrom(CentralHeaderBytes(f));
    EXPECT_EQ(utf8.Directory(), "名前\\");
    EXPECT_EQ(utf8.FileName(), "ünï.txt");
}

TEST(ZipHeaderInfoTest, LocalNamesConvertFromCp437WhateverTheHostUnlessFlaggedUtf8) {
    HeaderFields f;
    f.Name = "caf\x82.txt";
    EXPECT_EQ(ReadLocalFrom(LocalHeaderBytes(f)).FileName(), "café.txt");
    f.Flags = kUtf8Flag;
    f.Name = "café.txt";
    EXPECT_EQ(ReadLocalFrom(LocalHeaderBytes(f)).FileName(), "café.txt");
}

TEST(ZipHeaderInfoTest, NamesSplitAtTheLastSeparatorOnly) {
    HeaderFields f;
    f.Name = "docs/readme.txt";
    TZipHeaderInfo record = ReadCentralFrom(CentralHeaderBytes(f));
    EXPECT_EQ(record.Directory(), "docs\\");
    EXPECT_EQ(record.FileName(), "readme.txt");
    EXPECT_EQ(Tail(WrittenCentral(record), 46), "docs/readme.txt");

    f.Name = "a/b\\c/";  // a stored backslash separates too; a trailing one: a directory
    record = ReadCentralFrom(CentralHeaderBytes(f));
    EXPECT_EQ(record.Directory(), "a\\b\\c\\");
    EXPECT_EQ(record.FileName(), "");

    f.Name = "C:drive.txt";  // no drive parts in Linux names: the colon is a character
    record = ReadCentralFrom(CentralHeaderBytes(f));
    EXPECT_EQ(record.Directory(), "");
    EXPECT_EQ(record.FileName(), "C:drive.txt");
}

TEST(ZipHeaderInfoTest, HeaderDatesAreRepairedOnRead) {
    HeaderFields f;
    f.Date = 0;       // day 0, month 0, 1980
    f.Time = 0x7BDF;  // 15:30:62 -> seconds/2 = 31
    EXPECT_EQ(ReadCentralFrom(CentralHeaderBytes(f)).DosDateTime, 0x00217BDDu);
    f.Date = static_cast<uint16_t>(44 << 9 | 14 << 5 | 5);  // month 14
    f.Time = static_cast<uint16_t>(25 << 11);               // 25 hours
    EXPECT_EQ(ReadLocalFrom(LocalHeaderBytes(f)).DosDateTime,
              static_cast<uint32_t>(44 << 25 | 12 << 21 | 5 << 16 | 23 << 11));
}

TEST(ZipHeaderInfoTest, CutOrForeignHeadersFailAndLeaveTheStreamInPlace) {
    HeaderFields f;
    f.Name = "some/name.txt";
    f.Extra = "xx";
    const std::vector<uint8_t> central = CentralHeaderBytes(f);
    const std::vector<uint8_t> local = LocalHeaderBytes(f);
    // Every cut that loses part of the fixed header or the name.
    for (size_t keep = 0; keep < 46 + f.Name.size(); ++keep) {
        std::vector<uint8_t> bytes = {1, 2, 3};
        bytes.insert(bytes.end(), central.begin(), central.begin() + keep);
        TMemoryStream stream(bytes);
        stream.Seek(3, soBeginning);
        TZipHeaderInfo record;
        EXPECT_FALSE(record.ReadCentral(stream)) << keep;
        EXPECT_EQ(stream.Position(), 3) << keep;
    }
    for (size_t keep = 0; keep < 30 + f.Name.size(); ++keep) {
        TMemoryStream stream(std::vector<uint8_t>(local.begin(), local.begin() + keep));
        TZipHeaderInfo record;
        EXPECT_FALSE(record.ReadLocal(stream)) << keep;
        EXPECT_EQ(stream.Position(), 0) << keep;
    }
    // Each kind of header refuses the other's signature.
    TMemoryStream localStream(local);
    TZipHeaderInfo record;
    EXPECT_FALSE(record.ReadCentral(localStream));
    TMemoryStream centralStream(central);
    EXPECT_FALSE(record.ReadLocal(centralStream));
    EXPECT_EQ(centralStream.Position(), 0);
}

TEST(ZipHeaderInfoTest, ExtraFieldAndCommentPastTheEndAreSteppedOverWithoutReading) {
    HeaderFields f;
    f.Extra = std::string(40000, 'e');
    f.Comment = std::string(30000, 'c');
    std::vector<uint8_t> bytes = CentralHeaderBytes(f);
    bytes.resize(46 + f.Name.size() + 10);  // the extra field and comment are mostly gone
    TMemoryStream stream(bytes);
    TZipHeaderInfo record;
    EXPECT_TRUE(record.ReadCentral(stream));
    EXPECT_EQ(stream.Position(), static_cast<int64_t>(46 + f.Name.size() + 70000));
    // The next header isn't there.
    TZipHeaderInfo next;
    EXPECT_FALSE(next.ReadCentral(stream));
}

// Two disks: a header begins on the first and continues on the second.
class SpanningHeaderTest : public ::testing::Test {
  protected:
    std::vector<uint8_t> header_ = [] {
        HeaderFields f;
        f.Name = "folder/spanning.txt";
        f.Extra = "EXTRA";
        f.Comment = "comment";
        return CentralHeaderBytes(f);
    }();
};

TEST_F(SpanningHeaderTest, HeaderCutAnywhereIsReadAcrossTheDisks) {
    for (size_t cut = 0; cut <= header_.size(); ++cut) {
        std::vector<uint8_t> first = {9, 9};
        first.insert(first.end(), header_.begin(), header_.begin() + cut);
        TMemoryStream disk1(first);
        std::vector<uint8_t> second(header_.begin() + cut, header_.end());
        second.push_back('P');  // what follows on the second disk
        TMemoryStream disk2(second);
        disk1.Seek(2, soBeginning);
        TStream* stream = &disk1;
        int calls = 0;
        TZipHeaderInfo record;
        ASSERT_TRUE(record.ReadCentral(stream, [&] {
            ++calls;
            return &disk2;
        })) << cut;
        EXPECT_EQ(record.FullName(), "folder\\spanning.txt") << cut;
        EXPECT_EQ(record.FileCommentLength, 7) << cut;
        EXPECT_EQ(calls, cut == header_.size() ? 0 : 1) << cut;
        EXPECT_EQ(stream, cut == header_.size() ? &disk1 : &disk2) << cut;
        const size_t endsAt = cut == header_.size() ? 2 + header_.size() : header_.size() - cut;
        EXPECT_EQ(stream->Position(), static_cast<int64_t>(endsAt)) << cut;
        EXPECT_EQ(record.CentralHeaderOffset, 2u);
    }
}

TEST_F(SpanningHeaderTest, NoDiskChangeForBytesThatCannotBeginAHeader) {
    std::vector<uint8_t> first = {'P', 'K', 5, 6, 0, 0};  // an end record, say
    TMemoryStream disk1(first);
    TMemoryStream disk2(header_);
    TStream* stream = &disk1;
    int calls = 0;
    TZipHeaderInfo record;
    EXPECT_FALSE(record.ReadCentral(stream, [&] {
        ++calls;
        return &disk2;
    }));
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(stream, &disk1);
    EXPECT_EQ(disk1.Position(), 0);
}

TEST_F(SpanningHeaderTest, WithoutANextDiskACutHeaderFails) {
    TMemoryStream disk1(std::vector<uint8_t>(header_.begin(), header_.begin() + 20));
    TStream* stream = &disk1;
    TZipHeaderInfo record;
    EXPECT_FALSE(record.ReadCentral(stream, [] { return nullptr; }));
    EXPECT_EQ(stream, &disk1);
    EXPECT_EQ(disk1.Position(), 0);
}

TEST(ZipHeaderInfoTest, SettersKeepTheStoredNameLength) {
    TZipHeaderInfo record;
    record.SetDirectory("docs");
    EXPECT_EQ(record.Directory(), "docs\\");
    EXPECT_EQ(record.FileNameLength, 5);
    record.SetFileName("readme.txt");
    EXPECT_EQ(record.FileNameLength, 15);
    record.SetDirectory("");
    EXPECT_EQ(record.FileNameLength, 10);
    record.SetFileName("café.txt");  // UTF-8 in the archive as in memory
    EXPECT_EQ(record.FileNameLength, 9);
    record.SetFileName("名前.txt");  // UTF-8 in the archive too
    EXPECT_EQ(record.FileNameLength, 10);
    EXPECT_EQ(record.LocalSize(), 40u);
}

TEST(ZipHeaderInfoTest, WrittenNamesArePlainAsciiOrFlaggedUtf8) {
    TZipHeaderInfo record;
    record.GeneralFlags = kUtf8Flag | 0x0001;  // e.g. carried over from a flagged name
    record.SetFileName("plain.txt");
    std::vector<uint8_t> local = WrittenLocal(record);
    EXPECT_EQ(Tail(local, 30), "plain.txt");
    EXPECT_EQ(Get16(local, 6), 0x0001);  // bit 11 cleared, the others kept

    // A name CP437 could hold goes as UTF-8 too: peers on Linux don't read CP437.
    record.SetDirectory("ünï");
    record.SetFileName("café.txt");
    local = WrittenLocal(record);
    const std::vector<uint8_t> central = WrittenCentral(record);
    EXPECT_EQ(Tail(local, 30), "ünï/café.txt");
    EXPECT_EQ(Get16(local, 6), kUtf8Flag | 0x0001);
    EXPECT_EQ(Get16(local, 26), 15);
    EXPECT_EQ(Get16(central, 8), kUtf8Flag | 0x0001);
    EXPECT_EQ(Tail(central, 46), "ünï/café.txt");
    // An MS-DOS record is declared as made on NTFS, so Info-ZIP's unzip doesn't put the
    // UTF-8 through its CP437 conversion; the record itself keeps its host.
    EXPECT_EQ(Get16(central, 4), 0x0B14);
    EXPECT_EQ(record.VersionMadeBy, 20);
}

TEST(ZipHeaderInfoTest, NamesReadFromAnArchiveAreWrittenBackAsTheirOwnBytes) {
    HeaderFields f;
    f.VersionMadeBy = 0x031E;  // Unix, names in UTF-8 without the flag
    f.Name = "café/naïve.txt";
    TZipHeaderInfo record = ReadCentralFrom(CentralHeaderBytes(f));
    std::vector<uint8_t> central = WrittenCentral(record);
    EXPECT_EQ(Get16(central, 4), 0x031E);
    EXPECT_EQ(Get16(central, 8), 0);
    EXPECT_EQ(Tail(central, 46), "café/naïve.txt");
    EXPECT_EQ(ReadCentralFrom(central).FullName(), "café\\naïve.txt");

    f.Name = "latin\xE9.txt";  // no UTF-8 at all: the bytes as they were, unflagged
    record = ReadCentralFrom(CentralHeaderBytes(f));
    EXPECT_EQ(Tail(WrittenCentral(record), 46), "latin\xE9.txt");

    f.VersionMadeBy = 0x0014;  // MS-DOS: CP437 bytes, shown as UTF-8, kept as CP437
    f.Name = "caf\x82.txt";
    record = ReadCentralFrom(CentralHeaderBytes(f));
    EXPECT_EQ(record.FullName(), "café.txt");
    EXPECT_EQ(Tail(WrittenCentral(record), 46), "caf\x82.txt");

    // A renamed entry is encoded afresh.
    record.SetFileName("naïve.txt");
    central = WrittenCentral(record);
    EXPECT_EQ(Tail(central, 46), "naïve.txt");
    EXPECT_EQ(Get16(central, 8), kUtf8Flag);
}

TEST(ZipHeaderInfoTest, HeadersReadBackAsWritten) {
    TZipHeaderInfo original;
    original.SetDirectory("a\\b");
    original.SetFileName("ünï.dat");
    original.CompressionMethod = 0;
    original.DosDateTime = 0x58636000;
    original.CRC32 = 0x01020304;
    original.CompressedSize = 77;
    original.UncompressedSize = 99;
    original.ExternalAttributes = 0x21;
    original.SetFileComment("a comment");
    TMemoryStream stream;
    stream.Seek(0, soBeginning);
    original.WriteLocal(stream);
    original.WriteCentral(stream);
    stream.Seek(0, soBeginning);
    TZipHeaderInfo local;
    ASSERT_TRUE(local.ReadLocal(stream));
    stream.Seek(original.LocalSize(), soBeginning);
    TZipHeaderInfo central;
    ASSERT_TRUE(central.ReadCentral(stream));
    EXPECT_EQ(stream.Position(), stream.Size());
    for (const TZipHeaderInfo* read : {&local, &central}) {
        EXPECT_EQ(read->FullName(), "a\\b\\ünï.dat");
        EXPECT_EQ(read->FileNameLength, original.FileNameLength);
        EXPECT_EQ(read->DosDateTime, original.DosDateTime);
        EXPECT_EQ(read->CRC32, original.CRC32);
        EXPECT_EQ(read->CompressedSize, original.CompressedSize);
        EXPECT_EQ(read->UncompressedSize, original.UncompressedSize);
        EXPECT_EQ(read->CompressionMethod, 0);
    }
    EXPECT_EQ(central.ExternalAttributes, 0x21u);
    EXPECT_EQ(central.FileCommentLength, 9);
}

TEST(ZipHeaderInfoTest, ExtraFieldsAreWrittenBackAsRead) {
    HeaderFields f;
    f.Extra = std::string(
        "\xFE\xCA\x03\x00"
        "abc"
        "\x55\x54\x01\x00\x01",
        12);
    TZipHeaderInfo record = ReadCentralFrom(CentralHeaderBytes(f));
    EXPECT_EQ(record.CentralExtra, f.Extra);
    record.LocalExtra = "local";
    const std::vector<uint8_t> central = WrittenCentral(record);
    EXPECT_EQ(Get16(central, 30), 12);
    EXPECT_EQ(std::string(central.begin() + 46 + f.Name.size(), central.end()), f.Extra);
    const std::vector<uint8_t> local = WrittenLocal(record);
    EXPECT_EQ(Get16(local, 28), 5);
    EXPECT_EQ(Tail(local, 30 + f.Name.size()), "local");
    EXPECT_EQ(record.LocalSize(), 30u + f.Name.size() + 5);
}

TEST(ZipHeaderInfoTest, CommentLengthWrittenIsTheLengthOfTheCommentWritten) {
    HeaderFields f;
    f.Comment = "never loaded";
    TZipHeaderInfo record = ReadCentralFrom(CentralHeaderBytes(f));
    ASSERT_EQ(record.FileCommentLength, 12);
    // The text was never loaded: a header promising 12 bytes that aren't there would make
    // the rest of the directory unreadable.
    std::vector<uint8_t> written = WrittenCentral(record);
    EXPECT_EQ(Get16(written, 32), 0);
    EXPECT_EQ(written.size(), 46 + f.Name.size());

    record.SetFileComment("loaded");
    written = WrittenCentral(record);
    EXPECT_EQ(Get16(written, 32), 6);
    EXPECT_EQ(Tail(written, 46 + f.Name.size()), "loaded");
    record.SetFileComment(std::nullopt);
    EXPECT_FALSE(record.HasComment());
}

TEST(ZipHeaderInfoTest, FieldsThatWouldOverflowTheirLengthAreRefused) {
    TZipHeaderInfo record;
    record.SetDirectory(std::string(40000, 'd'));
    EXPECT_THROW(record.SetFileName(std::string(30000, 'f')), EFormatLimit);
    EXPECT_EQ(record.FileName(), "");
    EXPECT_EQ(record.FileNameLength, 40001);
    EXPECT_THROW(record.SetFileComment(std::string(70000, 'c')), EFormatLimit);
    EXPECT_EQ(record.FileCommentLength, 0);
}

TEST(ZipHeaderInfoTest, AssignCopiesEverythingAndOnlyTheSourcesComment) {
    HeaderFields f;
    f.Name = "dir/caf\x82.txt";
    f.Comment = "xyz";
    f.VersionMadeBy = 0x0B14;  // kept byte for byte: 12 bytes, not valid UTF-8
    TZipHeaderInfo source = ReadCentralFrom(CentralHeaderBytes(f));
    source.Marked = true;
    source.TestState = TZipHeaderInfo::kTestedOk;
    source.Selected = true;
    source.LocalExtraFieldLength = 4;

    TZipHeaderInfo copy;
    copy.SetFileComment("stale comment of the destination");
    copy.Assign(source);
    EXPECT_EQ(copy.FullName(), source.FullName());
    EXPECT_EQ(copy.Directory(), "dir\\");
    EXPECT_EQ(copy.FileNameLength, 12);
    EXPECT_EQ(copy.FileCommentLength, 3);
    EXPECT_FALSE(copy.FileComment().has_value());
    EXPECT_EQ(copy.VersionMadeBy, 0x0B14);
    EXPECT_EQ(copy.CentralHeaderOffset, source.CentralHeaderOffset);
    EXPECT_EQ(copy.LocalExtraFieldLength, 4);
    EXPECT_TRUE(copy.Marked);
    EXPECT_EQ(copy.TestState, TZipHeaderInfo::kTestedOk);
    EXPECT_TRUE(copy.Selected);

    source.SetFileComment("loaded");
    copy.Assign(source);
    EXPECT_EQ(copy.FileComment(), "loaded");
    source.SetFileComment("changed later");
    EXPECT_EQ(copy.FileComment(), "loaded");  // a copy, not shared text
}

TEST(ZipHeaderInfoTest, ClearRestoresTheDefaults) {
    TZipHeaderInfo record = ReadCentralFrom(CentralHeaderBytes(HeaderFields{}));
    record.SetFileComment("c");
    record.Marked = true;
    record.Clear();
    TZipHeaderInfo fresh;
    EXPECT_EQ(WrittenCentral(record), WrittenCentral(fresh));
    EXPECT_FALSE(record.FileComment().has_value());
    EXPECT_FALSE(record.Marked);
    EXPECT_EQ(record.FullName(), "");
}

}  // namespace
}  // namespace mobrel
