// The freedb query: its options, the run through the drive library against
// a real HTTP server on 127.0.0.1, and the two windows.
#include "../platform/CdImageFixture.h"
#include "CdTestDrives.h"
#include "CddbTestServer.h"
#include "MessageSink.h"
#include "platform/CdDriveLibrary.h"
#include "platform/CddbTransport.h"
#include "settings/OptionsSetting.h"
#include "tags/Id3Genres.h"
#include "tags/QueryCDDBForm.h"
#include "tags/QueryCDDBThread.h"
#include "tags/StopQueryForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <map>

namespace {

std::vector<int32_t> Codes(const std::vector<TCddbOption>& options) {
  std::vector<int32_t> codes;
  for (const TCddbOption& o : options) codes.push_back(o.Code);
  return codes;
}

TEST(CddbOptions, FiveOptionsInOrderAndThreeMoreWithAProxy) {
  TQueryCDDB settings{"gnudb.gnudb.org", "/~cddb/cddb.cgi", false, "proxy.lan", "8080"};
  const std::vector<TCddbOption> plain = CddbOptionsFor(settings);
  EXPECT_EQ(Codes(plain), (std::vector<int32_t>{0, 6, 4, 3, 8}));
  EXPECT_EQ(plain[0].Text, "gnudb.gnudb.org");
  EXPECT_EQ(plain[1].Text, "/~cddb/cddb.cgi");
  EXPECT_TRUE(plain[2].Text.contains('@'));
  EXPECT_TRUE(plain[3].Text.startsWith("Trackwell "));
  EXPECT_EQ(plain[4].Text, "");
  for (const TCddbOption& o : plain) EXPECT_EQ(o.Number, 0);

  const struct {
    const char* Port;
    int32_t Number;
  } ports[] = {{"8080", 8080}, {"abc", 80}, {"", 80}, {"99999", 80}, {" 3128 ", 3128}};
  settings.UseProxy = true;
  for (const auto& p : ports) {
    SCOPED_TRACE(p.Port);
    settings.Port = p.Port;
    const std::vector<TCddbOption> proxied = CddbOptionsFor(settings);
    ASSERT_EQ(Codes(proxied), (std::vector<int32_t>{0, 6, 4, 3, 8, 2, 5, 1}));
    EXPECT_EQ(proxied[5].Number, 1);
    EXPECT_EQ(proxied[6].Number, p.Number);
    EXPECT_EQ(proxied[7].Text, "proxy.lan");
  }
}

const char* kRead = "210 rock 0b02d00c CD database entry follows (until terminating `.')";

// The lines of an entry with DTITLE, DYEAR, DGENRE and n titles.
QStringList Entry(const QString& dtitle, const QString& genre, int titles,
                  const QString& prefix = "Song") {
  QStringList lines = {kRead,        "# xmcd",         "#", "DISCID=0b02d00c", "DTITLE=" + dtitle,
                       "DYEAR=1999", "DGENRE=" + genre};
  for (int i = 0; i < titles; ++i)
    lines << QStringLiteral("TTITLE%1=%2 %3").arg(i).arg(prefix).arg(i + 1);
  lines << "EXTD="
        << "PLAYORDER="
        << ".";
  return lines;
}

class QueryCDDBTest : public TCdImageFixture {
 protected:
  void SetUp() override {
    TCdImageFixture::SetUp();
    ASSERT_NE(server_.Port(), 0) << "the test server did not start";
    TDiscDescription disc;
    for (int i = 0; i < 12; ++i) disc.Tracks.push_back(Track(TTrackContent::Silence, 75));
    AddImage("twelve", disc);
    handle_ = OpenDriveByProduct("twelve");
    ASSERT_NE(handle_, 0);
    SetCddbTimeouts(std::chrono::milliseconds(2000), std::chrono::milliseconds(3000));
    OptionsSetting = TOptionsSetting{};
    OptionsSetting.QueryCDDB = {server_.Address(), "/~cddb/cddb.cgi", false, "", "80"};
    OptionsSetting.CDInfo.Comment = "kept";
    OptionsSetting.CDInfo.Tracks[1] = "kept too";
    target_.AlignTitlesLeft = [this] { ++aligned_; };
    target_.SetTitle = [this](int row, const QString& title) { rows_[row] = title; };
  }
  void TearDown() override {
    TQueryCDDBThread::WaitForAll();
    CloseCDHandle(handle_);
    SetCddbTimeouts(kCddbConnectTimeout, kCddbTotalTimeout);
    OptionsSetting = TOptionsSetting{};
    TCdImageFixture::TearDown();
  }

  TCddbRequest Request() const { return TCddbRequest{1, 12, handle_, OptionsSetting.QueryCDDB}; }
  void Serve(const QJsonValue& query, const QJsonObject& reads) {
    server_.SetScenario(QJsonObject{{"query", query}, {"read", reads}});
  }
  static QString Exact(const char* id = "0b02d00c") {
    return QStringLiteral("200 rock %1 Artist / Album\r\n").arg(id);
  }

  TCddbTestServer server_;
  int32_t handle_ = 0;
  TCddbTitleTarget target_;
  int aligned_ = 0;
  std::map<int, QString> rows_;
};

TEST_F(QueryCDDBTest, TwelveTitlesFillRowsZeroToElevenAndTheDiscFields) {
  // 200 title lines for a 12-track disc: only the disc's twelve count.
  Serve(Exact(), {{"rock 0b02d00c", CddbLines(Entry("The Band / The Record", "Rock", 200))}});
  const TCddbResult result = RunCddbQuery(Request());
  EXPECT_EQ(result.WParam, kCddbFinished);
  ASSERT_EQ(result.Titles.size(), 12u);
  ApplyCddbResult(result, OptionsSetting.CDInfo, target_);
  EXPECT_EQ(aligned_, 1);
  ASSERT_EQ(rows_.size(), 12u);
  EXPECT_EQ(rows_[0], "Song 1");
  EXPECT_EQ(rows_[11], "Song 12");
  const TCDInfo& info = OptionsSetting.CDInfo;
  EXPECT_EQ(info.Artist, "The Band");
  EXPECT_EQ(info.Album, "The Record");
  EXPECT_EQ(info.Year, "1999");
  EXPECT_EQ(info.Genre, GenreIndexOfName("Rock"));
  EXPECT_EQ(info.Comment, "kept");
  EXPECT_EQ(info.Tracks[1], "kept too");

  // The query named this disc: 12 tracks of one second from 00:02:00, so
  // digit sums 2..9 and 1..4 (54 = 0x36), 12 s long, lead-out at 14 s.
  EXPECT_EQ(server_.Requests().front()["cmd"].toString(),
            "cddb query 36000c0c 12 150 225 300 375 450 525 600 675 750 825 900 975 14");
}

TEST_F(QueryCDDBTest, FirstMatchWithoutTitlesGivesFieldsTheSecondGivesTitles) {
  QStringList first = {kRead, "DTITLE=First / One", "DYEAR=1970", "DGENRE=Jazz", "."};
  QStringList second = Entry("Second / Two", "Blues", 12, "Track");
  second.removeAll("DYEAR=1999");
  Serve(CddbLines({"211 Found inexact matches, list follows", "jazz 0b02d00c First / One",
                   "blues 0b02d00d Second / Two", "."}),
        {{"jazz 0b02d00c", CddbLines(first)}, {"blues 0b02d00d", CddbLines(second)}});
  const TCddbResult result = RunCddbQuery(Request());
  ApplyCddbResult(result, OptionsSetting.CDInfo, target_);
  EXPECT_EQ(OptionsSetting.CDInfo.Artist, "Second");
  EXPECT_EQ(OptionsSetting.CDInfo.Year, "1970");  // only the first had one
  EXPECT_EQ(OptionsSetting.CDInfo.Genre, GenreIndexOfName("Blues"));
  EXPECT_EQ(rows_[0], "Track 1");
}

TEST_F(QueryCDDBTest, EntriesWithoutTitlesChangeOnlyTheirFields) {
  Serve(Exact(),
        {{"rock 0b02d00c", CddbLines({kRead, "DTITLE=Just An Album", "DGENRE=Krautpolka", "."})}});
  const TCddbResult result = RunCddbQuery(Request());
  EXPECT_EQ(result.WParam, kCddbFinished);
  ApplyCddbResult(result, OptionsSetting.CDInfo, target_);
  EXPECT_EQ(OptionsSetting.CDInfo.Artist, "");
  EXPECT_EQ(OptionsSetting.CDInfo.Album, "Just An Album");
  EXPECT_EQ(OptionsSetting.CDInfo.Genre, -1);
  EXPECT_EQ(aligned_, 0);
  EXPECT_TRUE(rows_.empty());
}

TEST_F(QueryCDDBTest, NoMatchAndFailuresEndWithTheNoMatchMessage) {
  const struct {
    const char* Name;
    QJsonValue Query;
    QJsonValue Read;
  } cases[] = {
      {"202", "202 No match found\r\n", QJsonValue()},
      {"query fails", "<html>moved</html>", QJsonValue()},
      {"entry cut", Exact(),
       QJsonObject{{"body", CddbLines(Entry("A / B", "Rock", 12))}, {"cut", 90}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Serve(c.Query, {{"rock 0b02d00c", c.Read}});
    const TCddbResult result = RunCddbQuery(Request());
    EXPECT_EQ(result.WParam, kCddbNoMatch);
    EXPECT_NE(result.LastError, 0);
    ApplyCddbResult(result, OptionsSetting.CDInfo, target_);
    EXPECT_TRUE(rows_.empty());
    EXPECT_EQ(OptionsSetting.CDInfo.Artist, "");
  }
}

TEST_F(QueryCDDBTest, StopAbandonsTheQueryAndItsLateResultIsIgnored) {
  Serve(QJsonObject{{"body", Exact()}, {"delay", 1}},
        {{"rock 0b02d00c", CddbLines(Entry("Late / Result", "Rock", 12))}});
  TfrmStopQuery stop(nullptr, 1, 12, handle_, target_);
  stop.show();
  ASSERT_TRUE(stop.Running());
  EXPECT_EQ(stop.lbQuery->text(), "Query CDDB...");
  EXPECT_EQ(stop.btStop->text(), "Stop");
  EXPECT_TRUE(stop.pnNoMatch->isHidden());
  stop.btStop->click();
  EXPECT_EQ(stop.result(), QDialog::Rejected);
  EXPECT_FALSE(stop.Running());
  TQueryCDDBThread::WaitForAll();
  QApplication::processEvents();
  EXPECT_TRUE(rows_.empty());
  EXPECT_EQ(OptionsSetting.CDInfo.Artist, "");
  // The abandoned thread stopped before reading any entry.
  for (const QJsonObject& request : server_.Requests())
    EXPECT_FALSE(request["cmd"].toString().startsWith("cddb read"));
}

class QueryCDDBFormTest : public QueryCDDBTest {};

TEST_F(QueryCDDBFormTest, ControlsAndTheirStart) {
  OptionsSetting.QueryCDDB = {"freedb.dbpoweramp.com", "/cgi", true, "proxy.lan", "3128"};
  TfrmQueryCDDB dialog(nullptr, 1, 12, handle_, target_);
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), "Query CDDB");
  EXPECT_TRUE(dialog.cbServer->isEditable());
  EXPECT_EQ(dialog.cbServer->itemText(0), kDefaultCddbServer);
  EXPECT_EQ(dialog.cbServer->currentText(), "freedb.dbpoweramp.com");
  EXPECT_EQ(dialog.eScript->text(), "/cgi");
  EXPECT_TRUE(dialog.cbUseProxy->isChecked());
  EXPECT_TRUE(dialog.eAddress->isEnabled());
  EXPECT_EQ(dialog.ePort->text(), "3128");
  QStringList groups;
  for (const QGroupBox* box : dialog.findChildren<QGroupBox*>()) groups << box->title();
  EXPECT_EQ(groups, (QStringList{"Server", "Proxy server"}));

  // "Default" leaves the proxy's address and port.
  dialog.btDefault->click();
  EXPECT_EQ(dialog.cbServer->currentIndex(), 0);
  EXPECT_EQ(dialog.eScript->text(), "/~cddb/cddb.cgi");
  EXPECT_FALSE(dialog.cbUseProxy->isChecked());
  EXPECT_FALSE(dialog.eAddress->isEnabled());
  EXPECT_FALSE(dialog.ePort->isEnabled());
  EXPECT_EQ(dialog.eAddress->text(), "proxy.lan");
  EXPECT_EQ(dialog.ePort->text(), "3128");

  // The server is looked up exactly; an unlisted one selects the first.
  OptionsSetting.QueryCDDB.Server = "GNUDB.GNUDB.ORG";
  TfrmQueryCDDB other(nullptr, 1, 12, handle_, target_);
  other.show();
  EXPECT_EQ(other.cbServer->currentIndex(), 0);
}

TEST_F(QueryCDDBFormTest, QueryCopiesTheSettingsAndClosesWhenFinished) {
  Serve(Exact(), {{"rock 0b02d00c", CddbLines(Entry("A / B", "Rock", 12))}});
  TfrmQueryCDDB dialog(nullptr, 1, 12, handle_, target_);
  dialog.show();
  dialog.cbServer->setEditText(server_.Address());
  dialog.ePort->setText("8080");
  dialog.btQuery->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(OptionsSetting.QueryCDDB.Server, server_.Address());
  EXPECT_EQ(OptionsSetting.QueryCDDB.Port, "8080");
  EXPECT_EQ(rows_[0], "Song 1");
}

TEST_F(QueryCDDBFormTest, NoMatchShowsThePanelAndKeepsTheQueryDialogOpen) {
  Serve("202 No match found\r\n", {});
  TfrmQueryCDDB dialog(nullptr, 1, 12, handle_, target_);
  dialog.show();
  // Looks at the stop window once its panel shows, then closes it.
  bool seen = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* stop = qobject_cast<TfrmStopQuery*>(QApplication::activeModalWidget());
    if (!stop || stop->Running()) return;
    seen = true;
    EXPECT_EQ(stop->windowTitle(), "Query CDDB...");
    EXPECT_FALSE(stop->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(stop->lbQuery->isHidden());
    EXPECT_FALSE(stop->pnNoMatch->isHidden());
    EXPECT_EQ(stop->pnNoMatch->text(),
              "No match found,perhaps:\n1.No information in CDDB server\n2.error CDDB "
              "options\n3.check the network");
    EXPECT_EQ(stop->btStop->text(), "Close");
    stop->btStop->click();
  });
  poll.start(20);
  dialog.btQuery->click();
  poll.stop();
  EXPECT_TRUE(seen);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(rows_.empty());
}

}  // namespace
