#include "writer/file_data_spool.h"

#include <filesystem>
#include <system_error>

#include "platform/file_helpers.h"
#include "platform/file_stream.h"

namespace mobrel {

TFileDataSpool::TFileDataSpool(std::string folder) : folder_(std::move(folder)) {}

TFileDataSpool::~TFileDataSpool() {
    Discard();
}

TStream& TFileDataSpool::Output() {
    if (!stream_) {
        // The name is taken first, so a failure to open it still leaves nothing behind.
        fileName_ = TempFileName(folder_);
        stream_ = std::make_unique<TArchiveOutputStream>(
            std::make_unique<TFileStream>(fileName_, TFileMode::Create), false);
    }
    return *stream_;
}

int64_t TFileDataSpool::Size() {
    return stream_ ? stream_->Size() : 0;
}

TStream& TFileDataSpool::Rewind() {
    TStream& stream = Output();
    stream.SetPosition(0);
    return stream;
}

void TFileDataSpool::Discard() {
    stream_.reset();
    if (!fileName_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(fileName_, ignored);
        fileName_.clear();
    }
}

}  // namespace mobrel
