#pragma once

// A temporary program folder whose discs/ subfolder holds generated images,
// with the scan for optical drives off so only those images count.

#include "DiscImage.h"
#include "platform/CdDrives.h"
#include "platform/ProgramFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

class TCdImageFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    SetProgramFolder(dir_.path());
    SetCdHardwareScan(false);
    ASSERT_TRUE(QDir().mkpath(DiscsFolder()));
  }
  void TearDown() override {
    SetProgramFolder(QString());
    SetCdHardwareScan(true);
  }

  QString DiscsFolder() const { return dir_.path() + "/discs"; }
  QString CuePath(const QString& name) const { return DiscsFolder() + "/" + name + ".cue"; }

  // Writes discs/<name>.cue and .bin.
  void AddImage(const QString& name, const TDiscDescription& disc) {
    QString error;
    ASSERT_TRUE(WriteDiscImage(disc, CuePath(name), &error)) << error.toStdString();
  }

  static TTrackDescription Track(TTrackContent content, int64_t sectors, int64_t gap = 0) {
    TTrackDescription t;
    t.Content = content;
    t.Sectors = sectors;
    t.GapSectors = gap;
    return t;
  }

  // Tracks of the given lengths in seconds, ramps so every sector differs.
  static TDiscDescription AudioDisc(std::initializer_list<double> seconds) {
    TDiscDescription disc;
    for (double s : seconds) disc.Tracks.push_back(Track(TTrackContent::Ramp, SecondsToSectors(s)));
    return disc;
  }

  QTemporaryDir dir_;
};
