#pragma once

#include "MessageSink.h"
#include "ScriptedDialogs.h"
#include "encoders/ChildProcessRunner.h"
#include "platform/ProgramFolder.h"
#include "settings/OptionsSetting.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// A temporary program folder, the settings at their defaults, a window
// standing in for the job runner and scripted message boxes.
class TEncoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    SetProgramFolder(dir_.path());
    OptionsSetting = TOptionsSetting{};
    TMp3Options& mp3 = OptionsSetting.Mp3Options;
    mp3.BitRate = 128;
    mp3.StereoMode = 1;
    mp3.MpegQuality = 0;
    mp3.IsSelectVBR = false;
    mp3.VBRQuality = 4;
    mp3.MaxBitRate = 320;
    mp3.IsVBRHead = false;
    OptionsSetting.WMAOptions.BitRate = 8;
  }
  void TearDown() override { SetProgramFolder(QString()); }

  QString Path(const QString& name) const { return dir_.path() + "/" + name; }

  // Makes the project's WMA utility available beside the program.
  void InstallWmaUtility() const {
    ASSERT_TRUE(QFile::link(QStringLiteral(TW_BUILD_DIR "/trackwell-wmaenc"),
                            Path(QStringLiteral("trackwell-wmaenc"))));
  }

  void Arm(TChildProcessRunner& runner, const QString& source, const QString& dest, bool encode,
           uint8_t jobKind) {
    runner.Active = true;
    runner.SourceFile = source;
    runner.DestFile = dest;
    runner.NotifyWindow = &sink_;
    runner.Encode = encode;
    runner.JobKind = jobKind;
  }

  // Waits for the end-of-job message with that code.
  bool WaitForEnd(int code, int timeoutMs = 60000) {
    return sink_.WaitFor([&] { return !sink_.WithCode(code).empty(); }, timeoutMs);
  }

  // Codes of all WM_PROCESS_INFO messages, in order of arrival.
  std::vector<int> Codes() const {
    std::vector<int> codes;
    for (const auto& r : sink_.Snapshot())
      if (r.Message == WM_PROCESS_INFO) codes.push_back(r.Info.Code);
    return codes;
  }

  QTemporaryDir dir_;
  TMessageSink sink_;
  TScriptedDialogs dialogs_;
};
