// "Make an Exe File": the list of files to zip becomes one self-extracting program, made of
// the stub installed beside the application, the self-extractor settings and an archive.
#include <QCoreApplication>
#include <filesystem>

#include "extract/file_helpers.h"
#include "form1.h"
#include "platform/host_path.h"
#include "platform/interactive_services.h"
#include "sfx_agreement_text.h"
#include "sorted_list_box.h"

namespace {

constexpr const char* kStubFileName = "ZipSFX32.bin";

std::string StubBesideTheProgram() {
    return mobrel::JoinPath(QCoreApplication::applicationDirPath().toStdString(), kStubFileName);
}

}  // namespace

void TForm1::a_zMakeEXEExecute() {
    mobrel::TBusyCursorScope hourglass;
    int count = 0;
    if (ListBox1->count() > 0) {
        SaveDialog1.Title = "Create a self extracting archive.";
        SaveDialog1.DefaultExt = "exe";
        SaveDialog1.ProposeExtension(".exe");
        SaveDialog1.Filter = "Executable Files|*.exe";
        SaveDialog1.InitialDir = ZipFolder();
        const std::string programName = SaveDialog1.Execute() ? SaveDialog1.FileName : "";

        const std::vector<std::string> listed = ListBox1->Items();
        Zipper1.FilesList().insert(Zipper1.FilesList().end(), listed.begin(), listed.end());
        Zipper1.SetStorePaths(true);
        SFXConfig1.Caption = "Tollan's Self Extracting Archive.";
        SFXConfig1.InfoText = SfxAgreementText();
        SFXConfig1.InfoTitle = "Tollan's Mobrel";
        SFXConfig1.BuildConfigBlock();

        const std::string stubName = StubBesideTheProgram();
        // The old program goes only once a new one can be made: without the stub the
        // engine's open error ends the run before anything is touched.
        if (!programName.empty() && mobrel::FileExists(programName) &&
            mobrel::FileExists(stubName)) {
            std::filesystem::remove(programName);
        }
        const std::vector<uint8_t>& block = SFXConfig1.ConfigBlock();
        RunWritingOperation([&] {
            count = Zipper1.MakeSFX(stubName, programName, block.data(),
                                    static_cast<int>(block.size()));
        });
        if (programName.empty()) {
            // No later operation may receive these names.
            Zipper1.FilesList().clear();
        }
    }
    mobrel::Services().MessageBox(
        "Successfully made " + std::to_string(count) + " files into an EXE.", "Mobrel",
        mobrel::TMsgButtons::Ok);
}
