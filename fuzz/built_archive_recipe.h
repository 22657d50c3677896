#pragma once
// Reads fuzzer bytes as a recipe and builds an archive that looks well formed from it, so
// the reader's deep paths are reached instead of the first signature check failing: a few
// entries with chosen names, methods, flags, hosts, modes and extra fields, real or chosen
// sizes and CRCs, data that is often a valid stream of its method (the engine's own
// encoders compress fuzzer bytes), a central directory, optionally the ZIP64 end records,
// and a comment. When the bytes run out every further choice reads as zero.
//
// With Consistent set every header tells the truth (sizes, CRCs, offsets, no data
// descriptors, unique names), which is what the differential target needs to compare
// two readings of one archive.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "codecs/aes_ctr_stream.h"
#include "codecs/aes_keys.h"
#include "codecs/compress_by_method.h"
#include "codecs/crc32.h"
#include "codecs/deflater.h"
#include "codecs/zip_cipher.h"
#include "format/aes_extra_field.h"
#include "format/compression_method.h"
#include "platform/engine_errors.h"

namespace mobrel::fuzz {

inline constexpr const char* kRecipePassword = "pw";
// Bounds that keep one input fast: a few entries of small data, and declared sizes that a
// bomb may reach without a run taking seconds.
inline constexpr size_t kMostEntries = 4;
inline constexpr size_t kLargestPayload = 512;
inline constexpr uint32_t kLargestDeclared = 1u << 20;

// The fuzzer's bytes, taken from the front; zero once they are used up.
class TRecipeBytes {
  public:
    TRecipeBytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t Byte() { return position_ < size_ ? data_[position_++] : 0; }
    uint16_t Word() { return static_cast<uint16_t>(Byte() | Byte() << 8); }
    uint32_t Long() { return Word() | static_cast<uint32_t>(Word()) << 16; }
    std::string Bytes(size_t count) {
        count = std::min(count, size_ - position_);
        std::string out(reinterpret_cast<const char*>(data_ + position_), count);
        position_ += count;
        return out;
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

// One entry's choices and what the builder made of them.
struct TEntryRecipe {
    std::string Name;
    uint16_t Method = 0;      // the header's method (99 for AES)
    uint16_t DataMethod = 0;  // what the data is compressed with
    uint8_t Choices = 0;      // kChoice* bits
    uint8_t Extras = 0;       // kExtra* bits
    uint8_t Zip64Parts = 0;   // kZip64* bits of the ZIP64 field
    uint8_t AesStrength = 3;
    bool Ae2 = false;
    uint32_t Mode = 0;  // Unix mode; 0 for a DOS host
    uint32_t Crc = 0;
    uint64_t CompressedSize = 0;
    uint64_t UncompressedSize = 0;
    uint64_t Offset = 0;
    std::string Plain;  // the bytes the entry should decode to
    std::string Data;   // what follows the local header
    std::string Extra;
};

inline constexpr uint8_t kChoiceEncrypt = 0x01;
inline constexpr uint8_t kChoiceDescriptor = 0x02;
inline constexpr uint8_t kChoiceUtf8 = 0x04;
inline constexpr uint8_t kChoiceWrongSizes = 0x08;
inline constexpr uint8_t kChoiceWrongCrc = 0x10;
inline constexpr uint8_t kChoiceEncode = 0x20;
inline constexpr uint8_t kChoiceDosHost = 0x40;
inline constexpr uint8_t kChoiceLink = 0x80;

inline constexpr uint8_t kExtraZip64 = 0x01;
inline constexpr uint8_t kExtraTime = 0x02;
inline constexpr uint8_t kExtraUnixIds = 0x04;
inline constexpr uint8_t kExtraUnicodePath = 0x08;
inline constexpr uint8_t kExtraNtfs = 0x10;
inline constexpr uint8_t kExtraUnknown = 0x20;
inline constexpr uint8_t kExtraAesAnyway = 0x40;

inline constexpr uint8_t kZip64Uncompressed = 0x01;
inline constexpr uint8_t kZip64Compressed = 0x02;
inline constexpr uint8_t kZip64Offset = 0x04;
inline constexpr uint8_t kZip64Disk = 0x08;

struct TArchiveRecipe {
    std::vector<TEntryRecipe> Entries;
    bool Zip64End = false;
    std::string Comment;
    std::string Bytes;          // the whole archive
    uint64_t CentralStart = 0;  // where the central directory begins in Bytes
};

inline void Put16(std::string& out, uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8 & 0xFF);
}

inline void Put32(std::string& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

inline void Put64(std::string& out, uint64_t value) {
    Put32(out, static_cast<uint32_t>(value));
    Put32(out, static_cast<uint32_t>(value >> 32));
}

inline void PutRecord(std::string& out, uint16_t tag, const std::string& data) {
    Put16(out, tag);
    Put16(out, static_cast<uint32_t>(data.size()));
    out += data;
}

// Names are glued from pieces that matter to path handling, and raw bytes.
inline std::string RecipeName(TRecipeBytes& in) {
    static const char* const kPieces[] = {"a",    "..",      "/",        "\\",   "dir/",     "/abs",
                                          "C:",   "x.txt",   ".",        "link", "\xC3\xA9", "../",
                                          "..\\", "b/c.bin", "\x82\x91", ""};
    std::string name;
    const int count = in.Byte() % 5;
    for (int i = 0; i < count; ++i) {
        const uint8_t pick = in.Byte();
        name += pick < 0xF0 ? kPieces[pick % std::size(kPieces)] : in.Bytes(pick % 8);
    }
    return name.empty() ? "e" : name;
}

inline uint16_t RecipeMethod(uint8_t pick) {
    static constexpr uint16_t kMethods[] = {
        cmStored, cmDeflated, cmDeflated, cmDeflate64, cmBzip2,          cmLzma, cmZstd, cmXz,
        cmShrunk, cmImploded, cmAes,      cmAes,       cmReducedFactor2, cmPpmd, 77,     cmStored};
    return kMethods[pick % std::size(kMethods)];
}

// Valid data of the method for the plain bytes, where the engine has an encoder.
inline bool EncodePlain(uint16_t method, const std::string& plain, std::string& data) {
    size_t taken = 0;
    auto read = [&plain, &taken](uint8_t* buffer, size_t count) {
        const size_t n = std::min(count, plain.size() - taken);
        std::copy_n(plain.data() + taken, n, buffer);
        taken += n;
        return n;
    };
    auto write = [&data](const uint8_t* buffer, size_t count) {
        data.append(reinterpret_cast<const char*>(buffer), count);
    };
    // Deflate64 reads most deflate streams alike, so they seed its decoder too.
    if (method == cmDeflated || method == cmDeflate64) {
        static TDeflater deflater;
        return deflater.deflate(6, read, write).CompressionMethod == cmDeflated;
    }
    if (HasLibraryEncoder(method)) {
        (void)CompressByMethod(method, 1, static_cast<int64_t>(plain.size()), read, write);
        return true;
    }
    return false;
}

// The traditional cipher around data, its header's check byte right for the password.
inline std::string ZipCrypt(const std::string& data, uint32_t check, const std::string& random) {
    TZipCipher cipher;
    cipher.InitKeys(kRecipePassword);
    std::string out = random;
    out.resize(10, 'r');
    out += static_cast<char>(check >> 16 & 0xFF);
    out += static_cast<char>(check >> 24 & 0xFF);
    out += data;
    for (char& c : out) {
        c = static_cast<char>(cipher.EncryptByte(static_cast<uint8_t>(c)));
    }
    return out;
}

// Salt, verifier, the data encrypted and the authentication code.
inline std::string AesCrypt(const std::string& data, uint8_t strengthValue,
                            const std::string& saltBytes) {
    const auto strength = static_cast<TAesStrength>(strengthValue);
    std::string salt = saltBytes;
    salt.resize(AesSaltSize(strength), 's');
    const std::vector<uint8_t> saltVector(salt.begin(), salt.end());
    const TAesKeys keys = DeriveAesKeys(kRecipePassword, saltVector, strength);
    std::vector<uint8_t> payload(data.begin(), data.end());
    TAesCtrStream stream;
    stream.Start(keys);
    stream.Encrypt(payload.data(), payload.size());
    const TAesCode code = stream.FinishCode();
    std::string out = salt;
    out.append(keys.Verifier.begin(), keys.Verifier.end());
    out.append(payload.begin(), payload.end());
    out.append(code.begin(), code.end());
    return out;
}

inline std::string Zip64Field(const TEntryRecipe& entry) {
    std::string data;
    if (entry.Zip64Parts & kZip64Uncompressed) {
        Put64(data, entry.UncompressedSize);
    }
    if (entry.Zip64Parts & kZip64Compressed) {
        Put64(data, entry.CompressedSize);
    }
    if (entry.Zip64Parts & kZip64Offset) {
        Put64(data, entry.Offset);
    }
    if (entry.Zip64Parts & kZip64Disk) {
        Put32(data, 0);
    }
    std::string out;
    PutRecord(out, 0x0001, data);
    return out;
}

// Every extra field but ZIP64, whose values are known only once the data is.
inline std::string OtherExtras(TRecipeBytes& in, const TEntryRecipe& entry) {
    std::string out;
    if (entry.Extras & kExtraTime) {
        std::string data(1, static_cast<char>(in.Byte() & 7));
        Put32(data, in.Long());
        PutRecord(out, 0x5455, data);
    }
    if (entry.Extras & kExtraUnixIds) {
        std::string data = "\x01\x04";
        Put32(data, in.Word());
        data += '\x04';
        Put32(data, in.Word());
        PutRecord(out, 0x7875, data);
    }
    if (entry.Extras & kExtraUnicodePath) {
        std::string data = "\x01";
        const bool rightCrc = (in.Byte() & 1) == 0;
        Put32(data, rightCrc ? Crc32Of(entry.Name.data(), entry.Name.size()) : in.Long());
        data += RecipeName(in);
        PutRecord(out, 0x7075, data);
    }
    if (entry.Extras & kExtraNtfs) {
        std::string data(4, '\0');
        Put16(data, 1);
        Put16(data, 24);
        data += in.Bytes(24);
        data.resize(32, '\x01');
        PutRecord(out, 0x000a, data);
    }
    if ((entry.Extras & kExtraAesAnyway) || entry.Method == cmAes) {
        TAesField field;
        field.VendorVersion = entry.Ae2 ? kAesVersion2 : kAesVersion1;
        field.Strength = entry.AesStrength;
        field.Method = entry.DataMethod;
        out += MakeAesField(field);
    }
    if (entry.Extras & kExtraUnknown) {
        const uint16_t tag = in.Word();
        PutRecord(out, tag, in.Bytes(in.Byte() % 8));
    }
    return out;
}

inline void ChooseEntry(TRecipeBytes& in, TEntryRecipe& entry, bool consistent) {
    entry.Name = RecipeName(in);
    entry.Method = RecipeMethod(in.Byte());
    entry.DataMethod = entry.Method == cmAes ? RecipeMethod(in.Byte() & 7) : entry.Method;
    entry.Choices = in.Byte();
    entry.Extras = in.Byte();
    entry.Zip64Parts = in.Byte();
    entry.AesStrength = static_cast<uint8_t>(in.Byte() % 3 + 1);
    entry.Ae2 = (entry.Zip64Parts & 0x80) != 0;
    if (consistent) {
        entry.Choices &=
            static_cast<uint8_t>(~(kChoiceDescriptor | kChoiceWrongSizes | kChoiceWrongCrc));
        // The local and the central header share one ZIP64 field, and a local one holds
        // both sizes or neither and never an offset or a disk.
        entry.Zip64Parts = (entry.Zip64Parts & (kZip64Uncompressed | kZip64Compressed))
                               ? kZip64Uncompressed | kZip64Compressed
                               : 0;
    }
    const bool folder = !entry.Name.empty() && entry.Name.back() == '/';
    if (!(entry.Choices & kChoiceDosHost)) {
        entry.Mode = (entry.Choices & kChoiceLink) ? 0120777 : folder ? 040755 : 0100644;
    }
}

// The entry's plain bytes, data, CRC and sizes.
inline void MakeData(TRecipeBytes& in, TEntryRecipe& entry) {
    entry.Plain = in.Bytes(in.Word() % kLargestPayload);
    std::string data;
    const bool encoded = (entry.Choices & kChoiceEncode) && entry.DataMethod != cmStored &&
                         EncodePlain(entry.DataMethod, entry.Plain, data);
    if (!encoded && entry.DataMethod != cmStored) {
        data = in.Bytes(in.Byte());  // raw bytes for the decoder to chew on
    } else if (!encoded) {
        data = entry.Plain;
    }
    entry.Crc = Crc32Of(entry.Plain.data(), entry.Plain.size());
    if (entry.Choices & kChoiceWrongCrc) {
        entry.Crc = in.Long();
    }
    entry.UncompressedSize = entry.Plain.size();
    if (entry.Method == cmAes) {
        data = AesCrypt(data, entry.AesStrength, in.Bytes(16));
    } else if (entry.Choices & kChoiceEncrypt) {
        data = ZipCrypt(data, entry.Crc, in.Bytes(10));
    }
    entry.CompressedSize = data.size();
    if (entry.Choices & kChoiceWrongSizes) {
        entry.CompressedSize = in.Long() % (kLargestDeclared + 1);
        entry.UncompressedSize = in.Long() % (kLargestDeclared + 1);
    }
    entry.Data = std::move(data);
}

inline uint16_t GeneralFlags(const TEntryRecipe& entry) {
    uint16_t flags = 0;
    if ((entry.Choices & kChoiceEncrypt) || entry.Method == cmAes) {
        flags |= 1;
    }
    if (entry.Choices & kChoiceDescriptor) {
        flags |= 8;
    }
    if (entry.Choices & kChoiceUtf8) {
        flags |= 0x800;
    }
    return flags;
}

inline uint32_t Saturated(bool inField, uint64_t value) {
    return inField || value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(value);
}

// The fields local and central headers share, from "version needed" on.
inline void PutCommonFields(std::string& out, const TEntryRecipe& entry, bool local) {
    const bool descriptor = local && (entry.Choices & kChoiceDescriptor);
    const bool zip64 = entry.Extras & kExtraZip64;
    Put16(out, zip64 ? 45 : 20);
    Put16(out, GeneralFlags(entry));
    Put16(out, entry.Method);
    Put32(out, 0x00210000);  // 1980-01-01 00:00
    Put32(out, descriptor || entry.Ae2 ? 0 : entry.Crc);
    Put32(out, descriptor ? 0
                          : Saturated(zip64 && (entry.Zip64Parts & kZip64Compressed),
                                      entry.CompressedSize));
    Put32(out, descriptor ? 0
                          : Saturated(zip64 && (entry.Zip64Parts & kZip64Uncompressed),
                                      entry.UncompressedSize));
    Put16(out, static_cast<uint32_t>(entry.Name.size()));
    Put16(out, static_cast<uint32_t>(entry.Extra.size()));
}

inline void PutLocalEntry(std::string& out, const TEntryRecipe& entry) {
    Put32(out, 0x04034B50);
    PutCommonFields(out, entry, true);
    out += entry.Name + entry.Extra + entry.Data;
    if (entry.Choices & kChoiceDescriptor) {
        Put32(out, 0x08074B50);
        Put32(out, entry.Ae2 ? 0 : entry.Crc);
        if (entry.Extras & kExtraZip64) {
            Put64(out, entry.CompressedSize);
            Put64(out, entry.UncompressedSize);
        } else {
            Put32(out, static_cast<uint32_t>(entry.CompressedSize));
            Put32(out, static_cast<uint32_t>(entry.UncompressedSize));
        }
    }
}

inline void PutCentralEntry(std::string& out, const TEntryRecipe& entry) {
    const bool dos = entry.Choices & kChoiceDosHost;
    Put32(out, 0x02014B50);
    Put16(out, dos ? 20 : 0x033F);
    PutCommonFields(out, entry, false);
    Put16(out, 0);  // comment
    Put16(out, (entry.Extras & kExtraZip64) && (entry.Zip64Parts & kZip64Disk) ? 0xFFFF : 0);
    Put16(out, 0);  // internal attributes
    Put32(out, dos ? 0x20 : entry.Mode << 16);
    Put32(out, Saturated((entry.Extras & kExtraZip64) && (entry.Zip64Parts & kZip64Offset),
                         entry.Offset));
    out += entry.Name + entry.Extra;
}

inline void PutEndRecords(std::string& out, const TArchiveRecipe& recipe) {
    const uint64_t centralSize = out.size() - recipe.CentralStart;
    const uint64_t count = recipe.Entries.size();
    if (recipe.Zip64End) {
        const uint64_t zip64End = out.size();
        Put32(out, 0x06064B50);
        Put64(out, 44);
        Put16(out, 45);
        Put16(out, 45);
        Put32(out, 0);
        Put32(out, 0);
        Put64(out, count);
        Put64(out, count);
        Put64(out, centralSize);
        Put64(out, recipe.CentralStart);
        Put32(out, 0x07064B50);
        Put32(out, 0);
        Put64(out, zip64End);
        Put32(out, 1);
    }
    Put32(out, 0x06054B50);
    Put32(out, 0);
    Put16(out, recipe.Zip64End ? 0xFFFF : static_cast<uint32_t>(count));
    Put16(out, recipe.Zip64End ? 0xFFFF : static_cast<uint32_t>(count));
    Put32(out, recipe.Zip64End ? 0xFFFFFFFFu : static_cast<uint32_t>(centralSize));
    Put32(out, recipe.Zip64End ? 0xFFFFFFFFu : static_cast<uint32_t>(recipe.CentralStart));
    Put16(out, static_cast<uint32_t>(recipe.Comment.size()));
    out += recipe.Comment;
}

inline TArchiveRecipe BuildArchive(const uint8_t* data, size_t size, bool consistent) {
    TRecipeBytes in(data, size);
    TArchiveRecipe recipe;
    const uint8_t head = in.Byte();
    recipe.Entries.resize(head % kMostEntries + 1);
    recipe.Zip64End = (head & 0x10) != 0;
    recipe.Comment = in.Bytes(head >> 5);
    for (size_t i = 0; i < recipe.Entries.size(); ++i) {
        TEntryRecipe& entry = recipe.Entries[i];
        ChooseEntry(in, entry, consistent);
        if (consistent) {
            entry.Name += static_cast<char>('0' + i);  // names stay unique
        }
        entry.Extra = OtherExtras(in, entry);
        MakeData(in, entry);
        entry.Offset = recipe.Bytes.size();
        if (entry.Extras & kExtraZip64) {
            entry.Extra = Zip64Field(entry) + entry.Extra;
        }
        PutLocalEntry(recipe.Bytes, entry);
    }
    recipe.CentralStart = recipe.Bytes.size();
    for (const TEntryRecipe& entry : recipe.Entries) {
        PutCentralEntry(recipe.Bytes, entry);
    }
    PutEndRecords(recipe.Bytes, recipe);
    return recipe;
}

}  // namespace mobrel::fuzz
