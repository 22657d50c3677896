#include "writer/zip_configuration_file.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "format/end_central.h"
#include "format/sorted_zip.h"
#include "format/zip_header_info.h"
#include "platform/engine_errors.h"
#include "platform/file_stream.h"
#include "platform/interactive_services.h"
#include "writer/archive_output_stream.h"

namespace mobrel {

namespace {

void Complain(const std::string& text) {
    Services().MessageBox(text, "", TMsgButtons::Ok);
}

}  // namespace

void SaveZipConfigurationFile(const std::string& fileName, TSortedZip& directory,
                              TEndCentral& end) {
    std::unique_ptr<TArchiveOutputStream> output;
    try {
        output = std::make_unique<TArchiveOutputStream>(
            std::make_unique<TFileStream>(fileName, TFileMode::Create), false);
    } catch (const EEngineError&) {
        Complain("Unable to create Zip Configuration File to disk");
        return;
    }
    try {
        for (TZipHeaderInfo* entry : directory) {
            entry->WriteCentral(*output);
        }
        end.WriteEndCentral(*output);
        output->Finish();
    } catch (const EEngineError&) {
        // A cut-off copy would only mislead a reader looking for the set's directory.
        output.reset();
        std::error_code ignored;
        std::filesystem::remove(fileName, ignored);
        Complain("Unable to save Zip Configuration File to disk");
    }
}

}  // namespace mobrel
