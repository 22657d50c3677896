#pragma once
// A main window under test: its own settings store and scratch folder, scripted message
// boxes and dialogs, side windows answered by a script instead of a person, and the
// desktop's "open" recorded instead of carried out.
#include <gtest/gtest.h>

#include <QDialog>
#include <QSettings>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "form1.h"
#include "scripted_services.h"
#include "shell_open.h"
#include "test_support.h"
#include "unzip_page.h"
#include "zip_page.h"

class MainWindowTest : public testing::Test {
  protected:
    MainWindowTest() {
        std::filesystem::create_directories(scratch_ / "config");
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString((scratch_ / "config").string()));
        keptFolder_ = std::filesystem::current_path();
        std::filesystem::current_path(scratch_.Path());
        SetShellOpenHandler([this](const QUrl& url) {
            Opened.push_back(url);
            return ShellAnswer;
        });
    }
    ~MainWindowTest() override {
        form_.reset();
        SetShellOpenHandler(nullptr);
        std::filesystem::current_path(keptFolder_);
    }

    // Starts the window with arguments, as the program does: created, then shown.
    TForm1& Start(const QStringList& arguments = {}) {
        form_ = std::make_unique<TForm1>(arguments);
        // A window is accepted unless the script rejects it (window.reject(), or Escape).
        form_->ShowModal = [this](QDialog& window) {
            ShownWindows.push_back(&window);
            window.setResult(QDialog::Accepted);
            if (OnModal) {
                OnModal(window);
            }
            return window.result();
        };
        form_->show();
        return *form_;
    }
    TForm1& Form() { return *form_; }
    TZipPage& ZipPage() { return *form_->ZipPage; }
    TUnzipPage& UnzipPage() { return *form_->UnzipPage; }

    void RememberArchive(const std::string& name) {
        QSettings("Tollan", "myMobrel").setValue("LastFile", QString::fromStdString(name));
    }
    std::string RememberedArchive() {
        return QSettings("Tollan", "myMobrel").value("LastFile").toString().toStdString();
    }
    // A copy of a shared test archive in the scratch folder.
    std::string CopyTestArchive(const std::string& name, const std::string& as = "") {
        const std::filesystem::path target = scratch_ / (as.empty() ? name : as);
        std::filesystem::copy_file(mobrel::test::TestDataDir() / name, target);
        return target.string();
    }
    std::filesystem::path Scratch() const { return scratch_.Path(); }

    TScriptedServices Services;
    std::vector<QUrl> Opened;
    bool ShellAnswer = true;
    std::vector<QDialog*> ShownWindows;
    std::function<void(QDialog&)> OnModal;

  private:
    mobrel::test::TempDir scratch_;
    std::filesystem::path keptFolder_;
    std::unique_ptr<TForm1> form_;
};
