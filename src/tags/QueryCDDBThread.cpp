#include "tags/QueryCDDBThread.h"

#include "platform/CdDriveLibrary.h"
#include "platform/MainThread.h"
#include "platform/WindowMessages.h"
#include "tags/CddbEntry.h"
#include "tags/Id3Genres.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <algorithm>
#include <condition_variable>
#include <thread>
#include <utility>

Q_LOGGING_CATEGORY(lcCddbQuery, "trackwell.tags.cddb")

#ifndef TW_VERSION
#define TW_VERSION "0"
#endif

namespace {

int32_t ProxyPortFrom(const QString& text) {
  bool ok = false;
  const int port = text.trimmed().toInt(&ok, 10);
  return ok && port >= 1 && port <= 65535 ? port : 80;
}

// Live query threads; heap-held and never destroyed, so a thread still
// running at exit never meets a destroyed lock.
struct TLiveThreads {
  std::mutex Mutex;
  std::condition_variable Ended;
  int Count = 0;
};

TLiveThreads& LiveThreads() {
  static auto* live = new TLiveThreads;
  return *live;
}

}  // namespace

QByteArray CddbProgramText() { return QByteArrayLiteral("Trackwell " TW_VERSION); }

std::vector<TCddbOption> CddbOptionsFor(const TQueryCDDB& settings) {
  std::vector<TCddbOption> options = {
      {0, settings.Server.toUtf8(), 0},
      {6, settings.Script.toUtf8(), 0},
      {4, QByteArray(kCddbIdentity), 0},
      {3, CddbProgramText(), 0},
      {8, QByteArray(), 0},
  };
  if (settings.UseProxy) {
    options.push_back({2, QByteArray(), 1});
    options.push_back({5, QByteArray(), ProxyPortFrom(settings.Port)});
    options.push_back({1, settings.ProxyAddress.toUtf8(), 0});
  }
  return options;
}

TCddbResult RunCddbQuery(const TCddbRequest& request, const std::function<bool()>& abandoned) {
  const auto stop = [&] { return abandoned && abandoned(); };
  TCddbResult result;
  for (const TCddbOption& option : CddbOptionsFor(request.Settings)) {
    if (!CDDBSetOption(option.Code, option.Text.constData(), option.Number))
      qCWarning(lcCddbQuery) << "option" << option.Code << "refused, error" << GetAspiLibError();
  }

  std::vector<CDDBQueryItem> items(kCDDBMaxMatches);
  CDDBQueryRecord query{};
  query.Count = kCDDBMaxMatches;
  query.Items = items.data();
  const int32_t queried = CDDBQuery(request.DriveHandle, &query);
  if (stop()) return result;
  if (queried != 1 || query.Count < 1) {
    // A failing call is reported like no match: the user sees the hints
    // (options, network) instead of a dialog that closes as if it worked.
    if (queried != 1) qCWarning(lcCddbQuery) << "query failed, error" << GetAspiLibError();
    result.WParam = kCddbNoMatch;
    result.LastError = GetAspiLibError();
    return result;
  }

  const int rows =
      request.LastTrack >= request.FirstTrack ? request.LastTrack - request.FirstTrack + 1 : 0;
  const uint32_t matches = std::min<uint32_t>(query.Count, kCDDBMaxMatches);
  bool anyEntry = false;
  std::vector<char> text(kCDDBInfoBufferBytes);
  for (uint32_t i = 0; i < matches && !stop(); ++i) {
    text[0] = '\0';
    if (CDDBGetDiskInfo(&items[i], text.data(), kCDDBInfoBufferBytes) != 1) {
      qCWarning(lcCddbQuery) << "entry" << i << "not read, error" << GetAspiLibError();
      continue;
    }
    anyEntry = true;
    const TCddbEntry entry =
        ParseCddbEntry(QByteArray(text.data(), qstrnlen(text.data(), kCDDBInfoBufferBytes)));
    if (entry.DTitle) {
      QString artist, album;
      SplitDiscTitle(*entry.DTitle, &artist, &album);
      result.Artist = artist;
      result.Album = album;
    }
    if (entry.DYear) result.Year = *entry.DYear;
    if (entry.DGenre) result.Genre = GenreIndexOfName(*entry.DGenre);
    // The entry numbers its titles from 0 for the disc's first track.
    if (!entry.Titles.count(0)) continue;
    result.Titles.assign(rows, std::nullopt);
    for (const auto& [number, title] : entry.Titles)
      if (number < rows) result.Titles[number] = title;
    return result;
  }
  if (!anyEntry) {
    result.WParam = kCddbNoMatch;
    result.LastError = GetAspiLibError();
  }
  return result;
}

void ApplyCddbResult(const TCddbResult& result, TCDInfo& info, const TCddbTitleTarget& target) {
  ExpectMainThread(Q_FUNC_INFO);
  if (result.Artist) info.Artist = *result.Artist;
  if (result.Album) info.Album = *result.Album;
  if (result.Year) info.Year = *result.Year;
  if (result.Genre) info.Genre = *result.Genre;
  if (result.Titles.empty()) return;
  if (target.AlignTitlesLeft) target.AlignTitlesLeft();
  if (!target.SetTitle) return;
  for (size_t row = 0; row < result.Titles.size(); ++row)
    if (result.Titles[row]) target.SetTitle(static_cast<int>(row), *result.Titles[row]);
}

void TCddbHandOver::Abandon() {
  std::lock_guard lock(mutex_);
  window_ = nullptr;
  result_.reset();
}

bool TCddbHandOver::Abandoned() const {
  std::lock_guard lock(mutex_);
  return window_ == nullptr;
}

std::optional<TCddbResult> TCddbHandOver::TakeResult() {
  std::lock_guard lock(mutex_);
  return std::exchange(result_, std::nullopt);
}

void TCddbHandOver::Deliver(TCddbResult result) {
  std::lock_guard lock(mutex_);
  if (!window_) return;
  const int wParam = result.WParam;
  const intptr_t lParam = wParam == kCddbNoMatch ? result.LastError : 0;
  result_ = std::move(result);
  // Posted under the lock: Abandon cannot clear the window, and the window
  // cannot go away, between the check and the post.
  PostWindowMessage(window_, WM_QUERY_CDDB_DONE, wParam, lParam);
}

TQueryCDDBThread::TQueryCDDBThread(const TCddbRequest& request,
                                   std::shared_ptr<TCddbHandOver> handOver)
    : FirstTrack(request.FirstTrack),
      LastTrack(request.LastTrack),
      DriveHandle(request.DriveHandle),
      Window(std::move(handOver)),
      Settings(request.Settings) {}

std::shared_ptr<TCddbHandOver> TQueryCDDBThread::Start(const TCddbRequest& request,
                                                       QObject* window) {
  ExpectMainThread(Q_FUNC_INFO);
  static std::once_flag registered;
  std::call_once(registered, [] { qAddPostRoutine(&TQueryCDDBThread::WaitForAll); });
  auto handOver = std::make_shared<TCddbHandOver>(window);
  auto* thread = new TQueryCDDBThread(request, handOver);
  TLiveThreads& live = LiveThreads();
  {
    std::lock_guard lock(live.Mutex);
    ++live.Count;
  }
  std::thread([thread] {
    {
      std::unique_ptr<TQueryCDDBThread> self(thread);
      self->Execute();
    }
    TLiveThreads& live = LiveThreads();
    std::lock_guard lock(live.Mutex);
    --live.Count;
    live.Ended.notify_all();
  }).detach();
  return handOver;
}

void TQueryCDDBThread::WaitForAll() {
  TLiveThreads& live = LiveThreads();
  std::unique_lock lock(live.Mutex);
  live.Ended.wait(lock, [&] { return live.Count == 0; });
}

void TQueryCDDBThread::Execute() {
  TCddbRequest request;
  request.FirstTrack = FirstTrack;
  request.LastTrack = LastTrack;
  request.DriveHandle = DriveHandle;
  request.Settings = Settings;
  TCddbResult result = RunCddbQuery(request, [this] { return Window->Abandoned(); });
  Window->Deliver(std::move(result));
}
