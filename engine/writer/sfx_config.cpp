#include "writer/sfx_config.h"

#include "platform/byte_order.h"

namespace mobrel {

namespace {

void AppendPrefix(std::vector<uint8_t>& block, const std::string& text, size_t length) {
    block.insert(block.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
}

}  // namespace

TSFXConfig::TSFXConfig() {
    UpdateHeader();
}

uint8_t TSFXConfig::FlagsByte() const {
    uint8_t flags = 0;
    if (UserCanDisableCmdLine) {
        flags |= kSfxUserCanDisableCmdLine;
    }
    if (UserCanChooseFiles) {
        flags |= kSfxUserCanChooseFiles;
    }
    if (!UserCanChangeOverwrite) {
        flags |= kSfxOverwriteFixed;
    }
    if (OverwriteMode == omAlways) {
        flags |= kSfxOverwriteAlways;
    } else if (OverwriteMode == omNever) {
        flags |= kSfxOverwriteNever;
    }
    if (AutoExtract) {
        flags |= kSfxAutoExtract;
    }
    return flags;
}

void TSFXConfig::UpdateHeader() {
    header_[0] = kSfxSignature[0];
    header_[1] = kSfxSignature[1];
    header_[2] = kSfxSignature[2];
    header_[3] = FlagsByte();
    // The length fields keep only their low bits; the strings are cut to match.
    header_[4] = static_cast<uint8_t>(Caption.size());
    header_[5] = static_cast<uint8_t>(DefaultPath.size());
    header_[6] = static_cast<uint8_t>(CmdLine.size());
    StoreU16(&header_[7], static_cast<uint16_t>(InfoText.size()));
    header_[9] = static_cast<uint8_t>(InfoTitle.size());
}

void TSFXConfig::BuildConfigBlock() {
    UpdateHeader();
    const size_t captionLen = header_[4];
    const size_t defaultPathLen = header_[5];
    const size_t cmdLineLen = header_[6];
    const size_t infoTextLen = LoadU16(&header_[7]);
    const size_t infoTitleLen = header_[9];
    const size_t total = kSfxHeaderSize + captionLen + defaultPathLen + cmdLineLen + infoTextLen +
                         infoTitleLen + kSfxLengthFieldSize;
    blockLen_ = static_cast<uint16_t>(total);
    block_.clear();
    block_.reserve(total);
    block_.insert(block_.end(), header_.begin(), header_.end());
    AppendPrefix(block_, Caption, captionLen);
    AppendPrefix(block_, DefaultPath, defaultPathLen);
    AppendPrefix(block_, CmdLine, cmdLineLen);
    AppendPrefix(block_, InfoText, infoTextLen);
    AppendPrefix(block_, InfoTitle, infoTitleLen);
    const size_t lengthAt = block_.size();
    block_.resize(lengthAt + kSfxLengthFieldSize);
    StoreU16(&block_[lengthAt], blockLen_);
}

}  // namespace mobrel
