#pragma once

#include "platform/ProgramFolder.h"
#include "settings/OptionsSetting.h"

#include <gtest/gtest.h>
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

// Points the program folder at a fresh temporary folder and empties the
// settings record, as before start-up.
class TProgramFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    SetProgramFolder(dir_.path());
    OptionsSetting = TOptionsSetting{};
  }
  void TearDown() override { SetProgramFolder(QString()); }

  QString Path(const QString& name) const { return dir_.path() + "/" + name; }

  void WriteFile(const QString& name, const QByteArray& bytes) const {
    QFile f(Path(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }

  QByteArray ReadFile(const QString& name) const {
    QFile f(Path(name));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
  }

  QTemporaryDir dir_;
};
