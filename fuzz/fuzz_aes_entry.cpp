// One AES entry built around the fuzzer's bytes, so the deep paths are reached: the harness
// derives the keys from the salt the input gives and, as the input's flags say, writes the
// right password verifier, encrypts the input's payload as the entry's data (so every
// decoder behind AES sees chosen bytes) and appends the right authentication code. The
// entry is then extracted into memory with the password and tested. A wrong verifier, a
// wrong code, a short or unknown 0x9901 field and every real method are all reachable.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "codecs/aes_ctr_stream.h"
#include "codecs/aes_keys.h"
#include "codecs/crc32.h"
#include "format/aes_extra_field.h"
#include "fuzz_scratch_folder.h"
#include "platform/engine_errors.h"
#include "reader/un_zipper.h"

namespace {

constexpr uint32_t kLargestDeclared = 1u << 20;
constexpr const char* kPassword = "pw";
constexpr size_t kSettingsSize = 10;
constexpr uint16_t kRealMethods[] = {0, 8, 9, 12, 14, 93, 95, 98};

// What the first kSettingsSize bytes of the input ask for.
struct TSettings {
    uint8_t Strength = 3;
    bool Ae2 = false;
    bool RightVerifier = true;
    bool RightCode = true;
    bool EndMarkerFlag = false;
    bool DamagedField = false;
    uint16_t Method = 0;
    uint32_t Declared = 0;
    uint32_t Crc = 0;
};

TSettings ReadSettings(const uint8_t* data) {
    TSettings settings;
    settings.Strength = static_cast<uint8_t>(data[0] % 3 + 1);
    settings.Ae2 = (data[1] & 0x01) != 0;
    settings.RightVerifier = (data[1] & 0x02) == 0;
    settings.RightCode = (data[1] & 0x04) == 0;
    settings.EndMarkerFlag = (data[1] & 0x08) != 0;
    settings.DamagedField = (data[1] & 0x10) != 0;
    settings.Method = kRealMethods[data[2] % std::size(kRealMethods)];
    settings.Declared = (data[3] | data[4] << 8 | data[5] << 16) % (kLargestDeclared + 1);
    settings.Crc = static_cast<uint32_t>(data[6] | data[7] << 8 | data[8] << 16) |
                   static_cast<uint32_t>(data[9]) << 24;
    return settings;
}

void Put16(std::string& out, uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8 & 0xFF);
}

void Put32(std::string& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// Salt, verifier, the payload encrypted, and the authentication code.
std::string EntryData(const TSettings& settings, const uint8_t* input, size_t size) {
    const auto strength = static_cast<mobrel::TAesStrength>(settings.Strength);
    const size_t saltSize = mobrel::AesSaltSize(strength);
    std::vector<uint8_t> salt(saltSize);
    std::copy_n(input, std::min(size, saltSize), salt.begin());
    const mobrel::TAesKeys keys = mobrel::DeriveAesKeys(kPassword, salt, strength);
    std::vector<uint8_t> payload(input + std::min(size, saltSize), input + size);
    mobrel::TAesCtrStream stream;
    stream.Start(keys);
    stream.Encrypt(payload.data(), payload.size());
    mobrel::TAesCode code = stream.FinishCode();
    mobrel::TAesVerifier verifier = keys.Verifier;
    verifier[0] ^= settings.RightVerifier ? 0 : 1;
    code[0] ^= settings.RightCode ? 0 : 1;
    std::string data(salt.begin(), salt.end());
    data.append(verifier.begin(), verifier.end());
    data.append(payload.begin(), payload.end());
    data.append(code.begin(), code.end());
    return data;
}

std::string AesField(const TSettings& settings) {
    mobrel::TAesField field;
    field.VendorVersion = settings.Ae2 ? mobrel::kAesVersion2 : mobrel::kAesVersion1;
    field.Strength = settings.Strength;
    field.Method = settings.Method;
    std::string area = mobrel::WithAesField({}, field);
    if (settings.DamagedField) {
        area[2] = static_cast<char>(area[2] - 1);  // the field claims one byte less
        area.pop_back();
    }
    return area;
}

// The header fields local and central headers share, from "version needed" on.
void PutCommonFields(std::string& out, const TSettings& settings, size_t dataSize,
                     const std::string& name, const std::string& extra) {
    Put16(out, 51);
    Put16(out, 1u | (settings.EndMarkerFlag ? 2u : 0u));
    Put16(out, 99);
    Put32(out, 0x00210000);  // 1980-01-01 00:00
    Put32(out, settings.Ae2 ? 0 : settings.Crc);
    Put32(out, static_cast<uint32_t>(dataSize));
    Put32(out, settings.Declared);
    Put16(out, static_cast<uint32_t>(name.size()));
    Put16(out, static_cast<uint32_t>(extra.size()));
}

std::string Archive(const TSettings& settings, const std::string& data) {
    const std::string name = "entry.bin";
    const std::string extra = AesField(settings);
    std::string out;
    Put32(out, 0x04034B50);
    PutCommonFields(out, settings, data.size(), name, extra);
    out += name + extra + data;
    const size_t central = out.size();
    Put32(out, 0x02014B50);
    Put16(out, 0x031E);
    PutCommonFields(out, settings, data.size(), name, extra);
    Put16(out, 0);  // comment
    Put16(out, 0);  // disk
    Put16(out, 0);  // internal attributes
    Put32(out, 0);  // external attributes
    Put32(out, 0);  // local header offset
    out += name + extra;
    const size_t centralSize = out.size() - central;
    Put32(out, 0x06054B50);
    Put32(out, 0);
    Put16(out, 1);
    Put16(out, 1);
    Put32(out, static_cast<uint32_t>(centralSize));
    Put32(out, static_cast<uint32_t>(central));
    Put16(out, 0);
    return out;
}

const std::string& ScratchFolder() {
    static const mobrel::fuzz::TScratchFolder folder("mobrel-fuzz-aes-");
    return folder.Path();
}

void ExtractAndTest(const std::string& name, uint32_t declared) {
    mobrel::TUnZipper zipper;
    zipper.SetPassword(kPassword);
    try {
        zipper.SetZipName(name);
        zipper.ReadZip();
        std::vector<uint8_t> buffer;
        zipper.UnZipToBuffer(buffer, 0);
        if (buffer.size() > declared) {
            std::abort();  // more bytes than the entry may produce
        }
        zipper.SetDoAll(true);
        (void)zipper.TestEntries(-1);
    } catch (const mobrel::EEngineError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kSettingsSize) {
        return 0;
    }
    const TSettings settings = ReadSettings(data);
    const std::string archive =
        Archive(settings, EntryData(settings, data + kSettingsSize, size - kSettingsSize));
    const std::string name = ScratchFolder() + "/input.zip";
    FILE* file = std::fopen(name.c_str(), "wb");
    if (file == nullptr || std::fwrite(archive.data(), 1, archive.size(), file) != archive.size()) {
        std::abort();
    }
    std::fclose(file);
    ExtractAndTest(name, settings.Declared);
    unlink(name.c_str());
    return 0;
}
