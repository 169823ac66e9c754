// The "CD-ROM" page's drive list and OK's drive change, on generated disc
// images through the real drive library.
#include "../platform/CdImageFixture.h"
#include "ScriptedDialogs.h"
#include "cd/DriveAccess.h"
#include "options/OptionSetLogic.h"
#include "platform/CdDriveLibrary.h"
#include "settings/OptionsSetting.h"

#include <vector>

namespace {

// The main window's three drive steps over a real drive.
class TDriveHost final : public TOptionsDriveHost {
 public:
  int32_t OpenDrive(int position) override {
    Opened.push_back(position);
    return Drive.OpenDrive(position);
  }
  void LoadTrackList() override { Drive.LoadTrackList(); }
  void TakeStatusAsDriveText() override { DriveText = Drive.StatusText(); }

  TDriveAccess Drive;
  std::vector<int> Opened;
  QString DriveText;
};

class OptionDevicesTest : public TCdImageFixture {
 protected:
  void SetUp() override {
    TCdImageFixture::SetUp();
    settings.CommonOptions.OutputFolder = dir_.path();
    settings.CDOptions.Index = -1;
    OptionsSetting = TOptionsSetting{};
  }
  void TearDown() override {
    for (int32_t h = 1; h <= kMaxCDHandles; ++h) CloseCDHandle(h);
    OptionsSetting = TOptionsSetting{};
    TCdImageFixture::TearDown();
  }

  // Two drives: alpha with two tracks, beta with three titled ones.
  void AddTwoDrives() {
    AddImage("alpha", AudioDisc({2, 2}));
    TDiscDescription beta = AudioDisc({2, 3, 4});
    beta.Titles = {"One", "Two", "Three"};
    AddImage("beta", beta);
    QString error;
    ASSERT_TRUE(WriteCatalogueSection(beta, dir_.path() + "/cdinfo.dat", false, &error))
        << error.toStdString();
  }

  TScriptedDialogs Dialog;
  TOptionsSetting settings;
};

}  // namespace

TEST_F(OptionDevicesTest, ListsTrimmedDescriptionsAndSelectsTheStoredPosition) {
  AddTwoDrives();
  const struct {
    int32_t stored;
    int selected;
  } cases[] = {{-1, 0}, {0, 0}, {1, 1}, {2, -1}, {3, -1}};
  for (const auto& c : cases) {
    settings.CDOptions.Index = c.stored;
    TOptionSetLogic logic(settings);
    TOptionsView view = logic.Load();
    logic.FillDevices(view);
    EXPECT_EQ(view.Devices, QStringList({"Virtual alpha", "Virtual beta"})) << c.stored;
    EXPECT_EQ(view.Device, c.selected) << c.stored;
  }
}

TEST_F(OptionDevicesTest, NoDrivesLeaveTheListEmptyAndStoreMinusOne) {
  TOptionSetLogic logic(settings);
  TOptionsView view = logic.Load();
  logic.FillDevices(view);
  EXPECT_TRUE(view.Devices.isEmpty());
  EXPECT_EQ(view.Device, -1);
  settings.CDOptions.Index = 0;
  logic.Store(view);
  EXPECT_EQ(settings.CDOptions.Index, -1);
}

TEST_F(OptionDevicesTest, ChoosingDriveOneOpensItAndRebuildsTheList) {
  AddTwoDrives();
  TDriveHost host;
  ASSERT_NE(host.Drive.OpenDrive(0), 0);  // start-up opens the first drive
  TOptionSetLogic logic(settings);
  TOptionsView view = logic.Load();
  logic.FillDevices(view);
  view.Device = 1;
  ASSERT_TRUE(logic.DriveChanged(view));
  EXPECT_EQ(logic.Accept(nullptr, view, &host), TOptionsCheck::Passed);
  EXPECT_TRUE(Dialog.Messages.empty());
  EXPECT_EQ(settings.CDOptions.Index, 1);
  EXPECT_EQ(host.Opened, std::vector<int>({1}));
  EXPECT_NE(host.Drive.CDHandle(), 0);
  ASSERT_EQ(host.Drive.Rows().size(), 3u);
  EXPECT_EQ(host.Drive.Rows()[0].Title, "One");
  EXPECT_EQ(host.Drive.Rows()[2].Title, "Three");
  EXPECT_EQ(host.DriveText, "Virtual beta");
}

TEST_F(OptionDevicesTest, TheStoredDriveIsNotOpenedAgain) {
  AddTwoDrives();
  for (int32_t stored : {-1, 0}) {
    settings.CDOptions.Index = stored;
    TDriveHost host;
    TOptionSetLogic logic(settings);
    TOptionsView view = logic.Load();
    logic.FillDevices(view);
    ASSERT_EQ(view.Device, 0);
    EXPECT_EQ(logic.Accept(nullptr, view, &host), TOptionsCheck::Passed);
    EXPECT_TRUE(host.Opened.empty()) << stored;
    EXPECT_EQ(settings.CDOptions.Index, 0);
  }
}
