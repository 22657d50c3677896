// "Make an Exe File": the list of files to zip becomes one self-extracting program, made of
// the stub installed beside the application, the self-extractor settings and an archive.
#include <QCoreApplication>
#include <filesystem>

#include "file_dialog.h"
#include "platform/file_helpers.h"
#include "platform/host_path.h"
#include "platform/interactive_services.h"
#include "sfx_agreement_text.h"
#include "sorted_list_box.h"
#include "writer/sfx_config.h"
#include "writer/zipper.h"
#include "zip_page.h"

namespace {

constexpr const char* kStubFileName = "ZipSFX32.bin";

std::string StubBesideTheProgram() {
    return mobrel::JoinPath(QCoreApplication::applicationDirPath().toStdString(), kStubFileName);
}

}  // namespace

void TZipPage::MakeExe() {
    mobrel::TBusyCursorScope hourglass;
    int count = 0;
    if (ListBox1->count() > 0) {
        TFileDialog& dialog = host_.SaveDialog();
        dialog.Title = "Create a self extracting archive.";
        dialog.DefaultExt = "exe";
        dialog.ProposeExtension(".exe");
        dialog.Filter = "Executable Files|*.exe";
        dialog.InitialDir = Folder();
        const std::string programName = dialog.Execute() ? dialog.FileName : "";

        const std::vector<std::string> listed = FilesToZip();
        engine_.FilesList().insert(engine_.FilesList().end(), listed.begin(), listed.end());
        engine_.SetStorePaths(true);
        mobrel::TSFXConfig& settings = host_.SelfExtractorSettings();
        settings.Caption = "Tollan's Self Extracting Archive.";
        settings.InfoText = SfxAgreementText();
        settings.InfoTitle = "Tollan's Mobrel";
        settings.BuildConfigBlock();

        const std::string stubName = StubBesideTheProgram();
        // The old program goes only once a new one can be made: without the stub the
        // engine's open error ends the run before anything is touched.
        if (!programName.empty() && mobrel::FileExists(programName) &&
            mobrel::FileExists(stubName)) {
            std::filesystem::remove(programName);
        }
        const std::vector<uint8_t>& block = settings.ConfigBlock();
        RunWritingOperation([&] {
            count = engine_.MakeSFX(stubName, programName, block.data(),
                                    static_cast<int>(block.size()));
        });
        if (programName.empty()) {
            // No later operation may receive these names.
            engine_.FilesList().clear();
        }
    }
    mobrel::Services().MessageBox(
        "Successfully made " + std::to_string(count) + " files into an EXE.", "Mobrel",
        mobrel::TMsgButtons::Ok);
}
