// The configuration block's bytes, and the stub's way of finding it in front of an archive.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format/sfx_settings.h"
#include "platform/memory_stream.h"
#include "writer/sfx_config.h"

namespace mobrel {
namespace {

uint16_t Le16(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

std::string TextAt(const std::vector<uint8_t>& bytes, size_t at, size_t length) {
    return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                       bytes.begin() + static_cast<std::ptrdiff_t>(at + length));
}

// The main window's settings, with a long multi-line agreement in InfoText.
TSFXConfig WindowConfig(const std::string& infoText) {
    TSFXConfig config;
    config.UserCanChooseFiles = true;
    config.OverwriteMode = omPrompt;
    config.Caption = "Tollan's Self Extracting Archive.";
    config.InfoText = infoText;
    config.InfoTitle = "Tollan's Mobrel";
    return config;
}

std::string LongAgreement() {
    std::string text;
    for (int line = 0; line < 133; ++line) {
        text += line % 5 == 0 ? "" : std::string(50, static_cast<char>('a' + line % 26));
        text += "\r\n";
    }
    return text;
}

TEST(SFXConfigTest, NewComponentHasItsDefaultsAndNoBlock) {
    const TSFXConfig config;
    EXPECT_EQ(config.Caption, "Mobrel Self Extracting Archive");
    EXPECT_EQ(config.OverwriteMode, omAlways);
    EXPECT_FALSE(config.AutoExtract);
    EXPECT_EQ(config.BlockLen(), 0);
    EXPECT_TRUE(config.ConfigBlock().empty());
    // Fixed overwrite mode (0x04) set to always (0x08), and the default caption's length.
    const TSFXConfig::THeader expected = {0x4D, 0x50, 0x55, 0x0C, 30, 0, 0, 0, 0, 0};
    EXPECT_EQ(config.Header(), expected);
}

TEST(SFXConfigTest, WindowValuesGiveTheDocumentedBytes) {
    const std::string agreement = LongAgreement();
    ASSERT_GT(agreement.size(), 255u);
    TSFXConfig config = WindowConfig(agreement);
    config.BuildConfigBlock();
    const std::vector<uint8_t>& block = config.ConfigBlock();
    const std::string caption = "Tollan's Self Extracting Archive.";
    const std::vector<uint8_t> head = {0x4D, 0x50, 0x55, 0x06, static_cast<uint8_t>(caption.size()),
                                       0x00, 0x00};
    ASSERT_GE(block.size(), 12u);
    EXPECT_EQ(std::vector<uint8_t>(block.begin(), block.begin() + 7), head);
    EXPECT_EQ(Le16(block, 7), agreement.size());
    EXPECT_EQ(block[9], 15);  // "Tollan's Mobrel"
    EXPECT_EQ(TextAt(block, 10, caption.size()), caption);
    EXPECT_EQ(TextAt(block, 10 + caption.size(), agreement.size()), agreement);
    EXPECT_EQ(TextAt(block, 10 + caption.size() + agreement.size(), 15), "Tollan's Mobrel");
    EXPECT_EQ(block.size(), 10 + caption.size() + agreement.size() + 15 + 2);
    EXPECT_EQ(Le16(block, block.size() - 2), block.size());
    EXPECT_EQ(config.BlockLen(), block.size());
    EXPECT_TRUE(std::equal(config.Header().begin(), config.Header().end(), block.begin()));
}

TEST(SFXConfigTest, FlagsFollowEverySetting) {
    TSFXConfig config;
    config.Caption.clear();
    config.UserCanDisableCmdLine = true;
    config.UserCanChangeOverwrite = true;
    config.OverwriteMode = omNever;
    config.AutoExtract = true;
    config.BuildConfigBlock();
    EXPECT_EQ(config.ConfigBlock()[3], 0x01 | 0x10 | 0x40);
    config.UserCanDisableCmdLine = false;
    config.UserCanChangeOverwrite = false;
    config.OverwriteMode = omAlways;
    config.AutoExtract = false;
    config.BuildConfigBlock();
    EXPECT_EQ(config.ConfigBlock()[3], 0x04 | 0x08);
    // Empty strings contribute nothing: header and length only.
    EXPECT_EQ(config.ConfigBlock().size(), 12u);
    EXPECT_EQ(config.BlockLen(), 12);
}

TEST(SFXConfigTest, OverlongStringsKeepTheLowBitsOfTheirLength) {
    TSFXConfig config;
    config.Caption = std::string(256, 'x') + std::string(44, 'c');
    config.Caption[0] = 'F';
    config.BuildConfigBlock();
    const std::vector<uint8_t>& block = config.ConfigBlock();
    EXPECT_EQ(block[4], 44);
    EXPECT_EQ(TextAt(block, 10, 44), config.Caption.substr(0, 44));
    EXPECT_EQ(block.size(), 10u + 44 + 2);
}

TEST(SFXConfigTest, DecodingGivesBackWhatWasBuilt) {
    TSFXConfig config = WindowConfig(LongAgreement());
    config.DefaultPath = "/opt/site";
    config.CmdLine = "./setup.sh";
    config.UserCanDisableCmdLine = true;
    config.AutoExtract = true;
    config.BuildConfigBlock();
    const auto decoded =
        DecodeConfigBlock(config.ConfigBlock().data(), config.ConfigBlock().size());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_TRUE(decoded->UserCanDisableCmdLine);
    EXPECT_TRUE(decoded->UserCanChooseFiles);
    EXPECT_FALSE(decoded->UserCanChangeOverwrite);
    EXPECT_TRUE(decoded->AutoExtract);
    EXPECT_EQ(decoded->OverwriteMode, omPrompt);
    EXPECT_EQ(decoded->Caption, config.Caption);
    EXPECT_EQ(decoded->DefaultPath, "/opt/site");
    EXPECT_EQ(decoded->CmdLine, "./setup.sh");
    EXPECT_EQ(decoded->InfoText, config.InfoText);
    EXPECT_EQ(decoded->InfoTitle, "Tollan's Mobrel");
}

TEST(SFXConfigTest, DecodingRefusesWhatIsNoBlock) {
    TSFXConfig config = WindowConfig("agreement");
    config.BuildConfigBlock();
    std::vector<uint8_t> block = config.ConfigBlock();
    EXPECT_FALSE(DecodeConfigBlock(block.data(), block.size() - 1).has_value());
    std::vector<uint8_t> badSignature = block;
    badSignature[2] = 'X';
    EXPECT_FALSE(DecodeConfigBlock(badSignature.data(), badSignature.size()).has_value());
    std::vector<uint8_t> badLength = block;
    badLength[4] = static_cast<uint8_t>(badLength[4] + 1);
    EXPECT_FALSE(DecodeConfigBlock(badLength.data(), badLength.size()).has_value());
    std::vector<uint8_t> badTotal = block;
    badTotal.back() ^= 0x01;
    EXPECT_FALSE(DecodeConfigBlock(badTotal.data(), badTotal.size()).has_value());
    EXPECT_FALSE(DecodeConfigBlock(block.data(), 5).has_value());
}

// Stub bytes, then the block, then where the archive would begin.
TMemoryStream ProgramImage(const std::vector<uint8_t>& block, size_t stubSize) {
    std::vector<uint8_t> bytes(stubSize, 0x7F);
    bytes.insert(bytes.end(), block.begin(), block.end());
    bytes.insert(bytes.end(), {'P', 'K', 3, 4});
    return TMemoryStream(bytes);
}

TEST(SFXConfigTest, TheBlockIsFoundRightBeforeTheArchive) {
    TSFXConfig config = WindowConfig("Click OK.\r\n");
    config.BuildConfigBlock();
    TMemoryStream image = ProgramImage(config.ConfigBlock(), 3000);
    const int64_t archiveStart = 3000 + static_cast<int64_t>(config.ConfigBlock().size());
    const auto found = ReadConfigBlockBefore(image, archiveStart);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->InfoText, "Click OK.\r\n");
    // One byte off, or a plain program without a block: nothing.
    EXPECT_FALSE(ReadConfigBlockBefore(image, archiveStart - 1).has_value());
    TMemoryStream plain(std::vector<uint8_t>(4000, 0x7F));
    EXPECT_FALSE(ReadConfigBlockBefore(plain, 3500).has_value());
    EXPECT_FALSE(ReadConfigBlockBefore(plain, 5).has_value());
    EXPECT_FALSE(ReadConfigBlockBefore(plain, 9000).has_value());
}

TEST(SFXConfigTest, ABlockPastSixtyFourKilobytesIsStillFound) {
    TSFXConfig config;
    config.Caption = std::string(255, 'c');
    config.DefaultPath = std::string(255, 'd');
    config.CmdLine = std::string(255, 'e');
    config.InfoTitle = std::string(255, 'f');
    config.InfoText = std::string(65535, 'i');
    config.BuildConfigBlock();
    const size_t size = config.ConfigBlock().size();
    ASSERT_GT(size, 0xFFFFu);
    EXPECT_EQ(config.BlockLen(), static_cast<uint16_t>(size));
    TMemoryStream image = ProgramImage(config.ConfigBlock(), 100);
    const auto found = ReadConfigBlockBefore(image, static_cast<int64_t>(100 + size));
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->InfoText.size(), 65535u);
    EXPECT_EQ(found->InfoTitle, config.InfoTitle);
}

}  // namespace
}  // namespace mobrel
