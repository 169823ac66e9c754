// The drive library's CDDB operations against a real HTTP server on
// 127.0.0.1 and a generated disc image.
#include "CdImageFixture.h"
#include "CdTestDrives.h"
#include "CddbTestServer.h"
#include "platform/CdDriveLibrary.h"
#include "platform/CddbTransport.h"

#include <QJsonArray>

#include <cstring>
#include <vector>

namespace {

const char* kRead = "210 rock 0a003c03 CD database entry follows (until terminating `.')";

class CddbLibraryTest : public TCdImageFixture {
 protected:
  void SetUp() override {
    TCdImageFixture::SetUp();
    ASSERT_NE(server_.Port(), 0) << "the test server did not start";
    // 10, 20 and 30 seconds: offsets 150, 900, 2400, lead-out at 62 s,
    // disc id 0a003c03 (digit sums 2 + 3 + 5, 60 s long, 3 tracks).
    AddImage("three", AudioDisc({10, 20, 30}));
    handle_ = OpenDriveByProduct("three");
    ASSERT_NE(handle_, 0);
    SetCddbTimeouts(std::chrono::milliseconds(2000), std::chrono::milliseconds(3000));
    SetOptions(server_.Address().toStdString());
  }
  void TearDown() override {
    CloseCDHandle(handle_);
    SetCddbTimeouts(kCddbConnectTimeout, kCddbTotalTimeout);
    TCdImageFixture::TearDown();
  }

  static void SetOptions(const std::string& server) {
    ASSERT_EQ(CDDBSetOption(0, server.c_str(), 0), 1);
    ASSERT_EQ(CDDBSetOption(6, "/~cddb/cddb.cgi", 0), 1);
    ASSERT_EQ(CDDBSetOption(4, "ripper@trackwell.invalid", 0), 1);
    ASSERT_EQ(CDDBSetOption(3, "Trackwell 0.1", 0), 1);
    ASSERT_EQ(CDDBSetOption(8, "", 0), 1);
  }

  // Runs CDDBQuery; returns its result with the items in items_.
  int32_t Query() {
    items_.assign(kCDDBMaxMatches, CDDBQueryItem{});
    record_ = CDDBQueryRecord{kCDDBMaxMatches, items_.data()};
    return CDDBQuery(handle_, &record_);
  }

  static QJsonObject Scenario(const QJsonValue& query, const QJsonObject& reads = {}) {
    return QJsonObject{{"query", query}, {"read", reads}};
  }

  TCddbTestServer server_;
  int32_t handle_ = 0;
  std::vector<CDDBQueryItem> items_;
  CDDBQueryRecord record_{};
};

TEST_F(CddbLibraryTest, QuerySendsTheDiscAndReadHandsOverTheEntry) {
  server_.SetScenario(Scenario(
      "200 rock 0a003c03 Some Artist / Some Album\r\n",
      {{"rock 0a003c03",
        CddbLines({kRead, "# xmcd", "DISCID=0a003c03", "DTITLE=A / B", "TTITLE0=One", "."})}}));
  ASSERT_EQ(Query(), 1);
  ASSERT_EQ(record_.Count, 1u);
  EXPECT_STREQ(items_[0].Category, "rock");
  EXPECT_STREQ(items_[0].DiscId, "0a003c03");
  EXPECT_EQ(items_[0].Exact, 1);
  EXPECT_STREQ(items_[0].Artist, "Some Artist");
  EXPECT_STREQ(items_[0].Title, "Some Album");
  char text[kCDDBInfoBufferBytes];
  ASSERT_EQ(CDDBGetDiskInfo(&items_[0], text, sizeof text), 1);
  EXPECT_STREQ(text, "# xmcd\nDISCID=0a003c03\nDTITLE=A / B\nTTITLE0=One\n");

  const std::vector<QJsonObject> requests = server_.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0]["path"].toString(), "/~cddb/cddb.cgi");
  EXPECT_EQ(requests[0]["cmd"].toString(), "cddb query 0a003c03 3 150 900 2400 62");
  EXPECT_EQ(requests[0]["hello"].toString(), "ripper trackwell.invalid Trackwell 0.1");
  EXPECT_EQ(requests[0]["proto"].toString(), "6");
  EXPECT_FALSE(requests[0]["via_proxy"].toBool());
  EXPECT_EQ(requests[1]["cmd"].toString(), "cddb read rock 0a003c03");
}

TEST_F(CddbLibraryTest, ProxyCarriesTheRequestAndServerOptionStartsAfresh) {
  SetOptions("cddb.server.invalid");
  ASSERT_EQ(CDDBSetOption(2, "", 1), 1);
  ASSERT_EQ(CDDBSetOption(5, "", server_.Port()), 1);
  ASSERT_EQ(CDDBSetOption(1, "127.0.0.1", 0), 1);
  server_.SetScenario(Scenario("202 No match found\r\n"));
  ASSERT_EQ(Query(), 1);
  ASSERT_EQ(server_.Requests().size(), 1u);
  const QJsonObject viaProxy = server_.Requests().back();
  EXPECT_TRUE(viaProxy["via_proxy"].toBool());
  EXPECT_TRUE(viaProxy["raw"].toString().startsWith("http://cddb.server.invalid/~cddb/cddb.cgi?"));

  // A new set of options without the proxy goes straight to the server.
  SetOptions(server_.Address().toStdString());
  ASSERT_EQ(Query(), 1);
  EXPECT_FALSE(server_.Requests().back()["via_proxy"].toBool());
}

TEST_F(CddbLibraryTest, HostileServersEndEveryCallCleanly) {
  const QJsonObject goodQuery{{"body", "200 rock 0a003c03 A / B\r\n"}};
  const QJsonObject fullEntry{
      {"body", CddbLines({kRead, "DTITLE=A / B", "TTITLE0=" + QString(1000, 'x')})}};
  const struct {
    const char* Name;
    QJsonValue Query;
    QJsonValue Read;  // null: the query itself must fail
    int32_t Error;
  } cases[] = {
      {"silent", QJsonObject{{"body", "200 x"}, {"delay", 6}}, QJsonValue(), kCdErrCddbNetwork},
      {"garbage", "\x7f\x45LF\x01 binary junk", QJsonValue(), kCdErrCddbReply},
      {"http error", QJsonObject{{"body", "oops"}, {"status", 503}}, QJsonValue(),
       kCdErrCddbServer},
      {"cddb error", "409 No handshake\r\n", QJsonValue(), kCdErrCddbServer},
      {"cut list", QJsonObject{{"body", CddbLines({"211 x", "rock 0a003c03 A", "."})}, {"cut", 20}},
       QJsonValue(), kCdErrCddbNetwork},
      {"redirect loop", QJsonObject{{"location", "/~cddb/cddb.cgi?cmd=cddb+query"}}, QJsonValue(),
       kCdErrCddbNetwork},
      {"1 MB entry", goodQuery,
       QJsonObject{{"body", CddbLines({kRead, "TTITLE0=" + QString(1 << 20, 'x'), "."})}},
       kCdErrCddbReply},
      {"entry cut", goodQuery,
       QJsonObject{{"body", CddbLines({kRead, "DTITLE=A / B", "."})}, {"cut", 40}},
       kCdErrCddbNetwork},
      {"entry without end", goodQuery, fullEntry, kCdErrCddbReply},
      {"entry slow", goodQuery, QJsonObject{{"body", CddbLines({kRead, "."})}, {"delay", 6}},
       kCdErrCddbNetwork},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    server_.SetScenario(Scenario(c.Query, {{"rock 0a003c03", c.Read}}));
    const int32_t queried = Query();
    if (c.Read.isNull()) {
      EXPECT_EQ(queried, 0);
      EXPECT_EQ(record_.Count, 0u);
      EXPECT_EQ(GetAspiLibError(), c.Error);
      continue;
    }
    ASSERT_EQ(queried, 1);
    char text[kCDDBInfoBufferBytes];
    std::memset(text, 'z', sizeof text);
    EXPECT_EQ(CDDBGetDiskInfo(&items_[0], text, sizeof text), 0);
    EXPECT_EQ(text[0], '\0');
    EXPECT_EQ(GetAspiLibError(), c.Error);
  }
}

TEST_F(CddbLibraryTest, ProxiesThatRefuseEndTheQuery) {
  server_.SetScenario(QJsonObject{{"proxy_status", 407}, {"query", "202 No match\r\n"}});
  SetOptions("cddb.server.invalid");
  CDDBSetOption(2, "", 1);
  CDDBSetOption(5, "", server_.Port());
  CDDBSetOption(1, "127.0.0.1", 0);
  EXPECT_EQ(Query(), 0);
  EXPECT_EQ(GetAspiLibError(), kCdErrCddbServer);

  // Nothing listens on port 1.
  CDDBSetOption(5, "", 1);
  EXPECT_EQ(Query(), 0);
  EXPECT_EQ(GetAspiLibError(), kCdErrCddbNetwork);
}

TEST_F(CddbLibraryTest, ARedirectIsFollowed) {
  QJsonObject scenario = Scenario(QJsonObject{{"location", "/~cddb/cddb.cgi?redirected=1"}});
  scenario["redirected"] = "202 No match found\r\n";
  server_.SetScenario(scenario);
  EXPECT_EQ(Query(), 1);
  EXPECT_EQ(record_.Count, 0u);
  ASSERT_EQ(server_.Requests().size(), 2u);
  EXPECT_EQ(server_.Requests()[1]["query"].toString(), "redirected=1");
}

}  // namespace
