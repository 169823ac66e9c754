// "&Query Freedb" from the main window's side.
#include "AppFixture.h"
#include "DiscImage.h"
#include "app/FreedbCommand.h"
#include "app/MainForm.h"
#include "app/TrackListView.h"
#include "platform/CdDrives.h"
#include "tags/QueryCDDBForm.h"

#include <QAction>
#include <QApplication>
#include <QTimer>

namespace {

class FreedbCommandTest : public TAppTest {
 protected:
  void SetUp() override {
    TAppTest::SetUp();
    SetCdHardwareScan(false);
  }
  void TearDown() override {
    SetCdHardwareScan(true);
    TAppTest::TearDown();
  }
};

TEST_F(FreedbCommandTest, UnreadableTableOfContentsIsReportedAndNoDialogOpens) {
  ExecuteQueryFreedb(nullptr, 0, TCddbTitleTarget{});
  ASSERT_EQ(Dialog.Messages.size(), 1u);
  EXPECT_EQ(Dialog.Messages[0].Text, "Error while reading TOC information!");
  EXPECT_EQ(Dialog.Messages[0].Icon, TMsgIcon::Error);
}

TEST_F(FreedbCommandTest, MainWindowOpensTheDialogModally) {
  TDiscDescription disc;
  for (int i = 0; i < 3; ++i) disc.Tracks.push_back({SecondsToSectors(2)});
  QDir().mkpath(Path("discs"));
  QString error;
  ASSERT_TRUE(WriteDiscImage(disc, Path("discs/disc.cue"), &error)) << error.toStdString();
  TMainForm form;
  form.show();
  QCoreApplication::processEvents();
  ASSERT_EQ(form.TrackList()->RowCount(), 3);
  ASSERT_TRUE(form.Actions().QueryFreedb->isEnabled());

  bool opened = false;
  QTimer::singleShot(0, [&] {
    if (auto* dialog = qobject_cast<TfrmQueryCDDB*>(QApplication::activeModalWidget())) {
      opened = dialog->windowTitle() == "Query CDDB";
      dialog->reject();
    }
  });
  form.Actions().QueryFreedb->trigger();
  EXPECT_TRUE(opened);
  form.close();
}

}  // namespace
