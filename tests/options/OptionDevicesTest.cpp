// The "CD-ROM" page's drive list and OK's drive change, on two generated
// disc images through the real drive library.
#include "../platform/CdImageFixture.h"
#include "ScriptedDialogs.h"
#include "cd/DriveAccess.h"
#include "options/OptionSetLogic.h"
#include "platform/CdDriveLibrary.h"
#include "settings/OptionsSetting.h"

namespace {

// The main window's three drive steps over a real drive.
struct TDriveHost final : TOptionsDriveHost {
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
    AddImage("alpha", AudioDisc({2, 2}));
    TDiscDescription beta = AudioDisc({2, 3, 4});
    beta.Titles = {"One", "Two", "Three"};
    AddImage("beta", beta);
    QString error;
    ASSERT_TRUE(WriteCatalogueSection(beta, dir_.path() + "/cdinfo.dat", false, &error));
  }
  void TearDown() override {
    for (int32_t h = 1; h <= kMaxCDHandles; ++h) CloseCDHandle(h);
    OptionsSetting = TOptionsSetting{};
    TCdImageFixture::TearDown();
  }

  // Opens the dialog's logic on the stored position, lists the drives,
  // chooses one and presses OK.
  void Accept(int32_t stored, int chosen, TDriveHost& host) {
    settings.CDOptions.Index = stored;
    TOptionSetLogic logic(settings);
    TOptionsView view = logic.Load();
    logic.FillDevices(view);
    EXPECT_EQ(view.Devices, QStringList({"Virtual alpha", "Virtual beta"}));
    selected = view.Device;
    view.Device = chosen;
    EXPECT_EQ(logic.Accept(nullptr, view, &host), TOptionsCheck::Passed);
  }

  TScriptedDialogs Dialog;
  TOptionsSetting settings;
  int selected = -2;
};

}  // namespace

TEST_F(OptionDevicesTest, ListSelectsTheStoredPositionWhenListed) {
  for (const auto& [stored, shown] : {std::pair{-1, 0}, {1, 1}, {2, -1}, {-3, -1}}) {
    TDriveHost host;
    Accept(stored, -1, host);
    EXPECT_EQ(selected, shown) << stored;
    EXPECT_EQ(settings.CDOptions.Index, -1) << "nothing chosen";
  }
}

TEST_F(OptionDevicesTest, ChoosingDriveOneOpensItAndRebuildsTheList) {
  TDriveHost host;
  Accept(-1, 1, host);
  EXPECT_EQ(settings.CDOptions.Index, 1);
  EXPECT_EQ(host.Opened, std::vector<int>({1}));
  EXPECT_NE(host.Drive.CDHandle(), 0);
  ASSERT_EQ(host.Drive.Rows().size(), 3u);
  EXPECT_EQ(host.Drive.Rows()[0].Title, "One");
  EXPECT_EQ(host.DriveText, "Virtual beta");
}

TEST_F(OptionDevicesTest, TheDriveStoredAtOpeningIsNotOpenedAgain) {
  TDriveHost first, second;
  Accept(-1, 0, first);  // -1 reads as drive 0
  EXPECT_TRUE(first.Opened.empty());
  EXPECT_EQ(settings.CDOptions.Index, 0);
  Accept(1, 1, second);
  EXPECT_TRUE(second.Opened.empty());
}
