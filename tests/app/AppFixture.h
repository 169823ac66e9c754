#pragma once

#include "ScriptedDialogs.h"
#include "app/JobLauncher.h"
#include "platform/ProgramFolder.h"
#include "settings/OptionsSetting.h"

#include <gtest/gtest.h>
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
  }
  void TearDown() override {
    SetJobRunnerHook({});
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
  QTemporaryDir dir_;
};
