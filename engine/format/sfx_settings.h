#pragma once
// What a self-extracting program's configuration block tells its stub, and the block's
// byte layout. The writer builds the block from these settings (TSFXConfig); the stub finds
// it right in front of the archive and decodes it here, so both sides share one layout.
//
// Layout, little-endian, strings without terminator:
//   0  3  "MPU"
//   3  1  flags (kSfx... bits below)
//   4  1  CaptionLen      5  1  DefaultPathLen    6  1  CmdLineLen
//   7  2  InfoTextLen     9  1  InfoTitleLen
//   10    Caption, DefaultPath, CmdLine, InfoText, InfoTitle, each as long as its field says
//   end-2 2 BlockLen: the whole block's size including these two bytes
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/stream.h"

namespace mobrel {

enum TsfxOverwriteMode : uint8_t { omPrompt = 0, omAlways = 1, omNever = 2 };

constexpr uint8_t kSfxSignature[3] = {0x4D, 0x50, 0x55};
constexpr size_t kSfxHeaderSize = 10;
constexpr size_t kSfxLengthFieldSize = 2;  // the trailing BlockLen

constexpr uint8_t kSfxUserCanDisableCmdLine = 0x01;
constexpr uint8_t kSfxUserCanChooseFiles = 0x02;
constexpr uint8_t kSfxOverwriteFixed = 0x04;  // set when the user may NOT change the mode
constexpr uint8_t kSfxOverwriteAlways = 0x08;
constexpr uint8_t kSfxOverwriteNever = 0x10;
constexpr uint8_t kSfxAutoExtract = 0x40;

// The settings with the values a new configuration component starts from.
struct TSFXSettings {
    bool UserCanDisableCmdLine = false;
    bool UserCanChooseFiles = false;
    bool UserCanChangeOverwrite = false;
    bool AutoExtract = false;
    TsfxOverwriteMode OverwriteMode = omAlways;
    std::string Caption = "Mobrel Self Extracting Archive";
    std::string DefaultPath;
    std::string CmdLine;
    std::string InfoText;
    std::string InfoTitle;
};

// The settings held by a complete block of size bytes; nothing when the bytes are not one
// (wrong signature, lengths that disagree with the size or with BlockLen).
std::optional<TSFXSettings> DecodeConfigBlock(const uint8_t* data, size_t size);

// Looks for a block ending exactly at archiveStart (the first local header, or the central
// directory of an archive without entries) in stream. Nothing when there is none; the
// stream's position is left wherever the search ended.
std::optional<TSFXSettings> ReadConfigBlockBefore(TStream& stream, int64_t archiveStart);

}  // namespace mobrel
