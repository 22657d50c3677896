#include "writer/archive_output_stream.h"

#include "platform/engine_errors.h"
#include "platform/file_stream.h"

namespace mobrel {

TArchiveOutputStream::TArchiveOutputStream(std::unique_ptr<TStream> target, bool commitOnFinish)
    : target_(std::move(target)),
      buffer_(std::make_unique<TS_BufferStream>(*target_, kBufferSize)),
      commitOnFinish_(commitOnFinish) {}

TArchiveOutputStream::~TArchiveOutputStream() = default;

int64_t TArchiveOutputStream::Read(void* data, int64_t count) {
    return buffer_->Read(data, count);
}

int64_t TArchiveOutputStream::Write(const void* data, int64_t count) {
    if (count <= 0) {
        return 0;
    }
    if (buffer_->Write(data, count) != count) {
        throw ENotEnoughRoom(kNotEnoughRoom);
    }
    return count;
}

int64_t TArchiveOutputStream::Seek(int64_t offset, TSeekOrigin origin) {
    if (!(offset == 0 && origin == soCurrent)) {
        FlushPending();
    }
    return buffer_->Seek(offset, origin);
}

void TArchiveOutputStream::SetSize(int64_t size) {
    FlushPending();
    buffer_->SetSize(size);
}

int64_t TArchiveOutputStream::Size() {
    return buffer_->Size();
}

void TArchiveOutputStream::FlushPending() {
    // Only a write buffer holds bytes for the target; read-ahead bytes came from it.
    if (buffer_->Mode() == TBufferMode::bmWriting && !buffer_->FlushBuffer()) {
        throw ENotEnoughRoom(kNotEnoughRoom);
    }
}

void TArchiveOutputStream::Finish() {
    FlushPending();
    if (commitOnFinish_) {
        if (auto* file = dynamic_cast<TFileStream*>(target_.get())) {
            file->Commit();
        }
    }
}

}  // namespace mobrel
