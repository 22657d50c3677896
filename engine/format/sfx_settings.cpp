#include "format/sfx_settings.h"

#include <cstring>
#include <vector>

#include "platform/byte_order.h"

namespace mobrel {

namespace {

TsfxOverwriteMode OverwriteModeOf(uint8_t flags) {
    if ((flags & kSfxOverwriteAlways) != 0) {
        return omAlways;
    }
    return (flags & kSfxOverwriteNever) != 0 ? omNever : omPrompt;
}

// Takes the next length bytes of the block as a string.
std::string TakeText(const uint8_t*& cursor, size_t length) {
    std::string text(reinterpret_cast<const char*>(cursor), length);
    cursor += length;
    return text;
}

}  // namespace

std::optional<TSFXSettings> DecodeConfigBlock(const uint8_t* data, size_t size) {
    if (size < kSfxHeaderSize + kSfxLengthFieldSize ||
        std::memcmp(data, kSfxSignature, sizeof kSfxSignature) != 0) {
        return std::nullopt;
    }
    const uint8_t flags = data[3];
    const size_t captionLen = data[4];
    const size_t defaultPathLen = data[5];
    const size_t cmdLineLen = data[6];
    const size_t infoTextLen = LoadU16(data + 7);
    const size_t infoTitleLen = data[9];
    const size_t expected = kSfxHeaderSize + captionLen + defaultPathLen + cmdLineLen +
                            infoTextLen + infoTitleLen + kSfxLengthFieldSize;
    // BlockLen is kept in 16 bits, so a block longer than 64 KB records its size wrapped.
    if (expected != size || LoadU16(data + size - 2) != static_cast<uint16_t>(size)) {
        return std::nullopt;
    }
    TSFXSettings settings;
    settings.UserCanDisableCmdLine = (flags & kSfxUserCanDisableCmdLine) != 0;
    settings.UserCanChooseFiles = (flags & kSfxUserCanChooseFiles) != 0;
    settings.UserCanChangeOverwrite = (flags & kSfxOverwriteFixed) == 0;
    settings.AutoExtract = (flags & kSfxAutoExtract) != 0;
    settings.OverwriteMode = OverwriteModeOf(flags);
    const uint8_t* cursor = data + kSfxHeaderSize;
    settings.Caption = TakeText(cursor, captionLen);
    settings.DefaultPath = TakeText(cursor, defaultPathLen);
    settings.CmdLine = TakeText(cursor, cmdLineLen);
    settings.InfoText = TakeText(cursor, infoTextLen);
    settings.InfoTitle = TakeText(cursor, infoTitleLen);
    return settings;
}

std::optional<TSFXSettings> ReadConfigBlockBefore(TStream& stream, int64_t archiveStart) {
    const int64_t smallest = kSfxHeaderSize + kSfxLengthFieldSize;
    if (archiveStart < smallest || stream.Size() < archiveStart) {
        return std::nullopt;
    }
    uint8_t lengthField[kSfxLengthFieldSize];
    stream.SetPosition(archiveStart - 2);
    stream.ReadBuffer(lengthField, sizeof lengthField);
    // The recorded length, or the same length past 64 KB where the 16-bit field wrapped.
    const int64_t recorded = LoadU16(lengthField);
    for (const int64_t length : {recorded, recorded + 0x10000}) {
        if (length < smallest || length > archiveStart) {
            continue;
        }
        std::vector<uint8_t> block(static_cast<size_t>(length));
        stream.SetPosition(archiveStart - length);
        stream.ReadBuffer(block.data(), length);
        if (auto settings = DecodeConfigBlock(block.data(), block.size())) {
            return settings;
        }
    }
    return std::nullopt;
}

}  // namespace mobrel
