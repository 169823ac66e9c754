#pragma once

#include "ScriptedDialogs.h"
#include "app/JobLauncher.h"
#include "app/ModalDialog.h"
#include "platform/ProgramFolder.h"
#include "platform/Shell.h"
#include "settings/OptionsSetting.h"

#include <gtest/gtest.h>
#include <QDialog>
#include <QDir>
#include <QTemporaryDir>

#include <vector>

// A fresh program folder, an empty settings record, scripted dialogs and a
// job runner that only records what it is asked to run.
class TAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    SetProgramFolder(dir_.path());
    OptionsSetting = TOptionsSetting{};
    SetJobRunnerHook([this](const TJobRequest& request) { Jobs.push_back(request); });
    // Start-up dialogs and the desktop's handlers are recorded, not shown.
    SetModalDialogHook([this](QDialog& dialog) {
      Modals.push_back(dialog.metaObject()->className());
      return int(QDialog::Rejected);
    });
    SetShellOpenHook([this](const QString& address) {
      Opened.push_back(address);
      return true;
    });
  }
  void TearDown() override {
    SetJobRunnerHook({});
    SetModalDialogHook({});
    SetShellOpenHook({});
    SetProgramFolder(QString());
  }

  QString Path(const QString& name) const { return dir_.path() + "/" + name; }

  // An output folder that exists, inside the program folder.
  QString MakeOutputFolder() {
    const QString folder = Path("out");
    QDir().mkpath(folder);
    OptionsSetting.CommonOptions.OutputFolder = folder;
    return folder;
  }

  TScriptedDialogs Dialog;
  std::vector<TJobRequest> Jobs;
  std::vector<QString> Modals;  // class names of the dialogs ExecModal was given
  std::vector<QString> Opened;  // what ShellOpen was asked to open
  QTemporaryDir dir_;
};
