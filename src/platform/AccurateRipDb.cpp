#include "platform/AccurateRipDb.h"

#include <QLoggingCategory>

#include <map>
#include <mutex>

Q_LOGGING_CATEGORY(lcAccurateRip, "trackwell.platform.accuraterip")

namespace {

constexpr size_t kHeaderBytes = 13;
constexpr size_t kTrackBytes = 9;

uint32_t Le32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[at + size_t(i)]);
  return v;
}

struct TState {
  std::mutex Mutex;
  std::string BaseUrl;
  std::map<std::string, std::optional<std::vector<TAccurateRipRecord>>> Replies;
};

TState& State() {
  static TState state;
  return state;
}

}  // namespace

std::optional<std::vector<TAccurateRipRecord>> ParseAccurateRipReply(const std::string& bytes) {
  std::vector<TAccurateRipRecord> records;
  size_t at = 0;
  while (at < bytes.size()) {
    if (bytes.size() - at < kHeaderBytes) return std::nullopt;
    TAccurateRipRecord record;
    record.TrackCount = static_cast<uint8_t>(bytes[at]);
    if (record.TrackCount == 0) return std::nullopt;
    record.Id1 = Le32(bytes, at + 1);
    record.Id2 = Le32(bytes, at + 5);
    record.FreedbId = Le32(bytes, at + 9);
    at += kHeaderBytes;
    if (bytes.size() - at < kTrackBytes * size_t(record.TrackCount)) return std::nullopt;
    for (int t = 0; t < record.TrackCount; ++t, at += kTrackBytes) {
      TAccurateRipTrackEntry entry;
      entry.Confidence = static_cast<uint8_t>(bytes[at]);
      entry.Crc = Le32(bytes, at + 1);
      entry.Frame450Crc = Le32(bytes, at + 5);
      record.Tracks.push_back(entry);
    }
    records.push_back(std::move(record));
  }
  if (records.empty()) return std::nullopt;
  return records;
}

TAccurateRipVerdict MatchAccurateRip(const std::vector<TAccurateRipRecord>& records,
                                     const TAccurateRipDiscIds& ids, int track, uint32_t v1,
                                     uint32_t v2) {
  TAccurateRipVerdict verdict;
  int all = 0;
  int matchV1 = 0;
  int matchV2 = 0;
  bool present = false;
  for (const TAccurateRipRecord& r : records) {
    if (r.TrackCount != ids.AudioTracks || r.Id1 != ids.Id1 || r.Id2 != ids.Id2 ||
        r.FreedbId != ids.FreedbId || track < 0 || track >= r.TrackCount)
      continue;
    present = true;
    const TAccurateRipTrackEntry& e = r.Tracks[size_t(track)];
    all += e.Confidence;
    if (e.Crc == v2)
      matchV2 += e.Confidence;
    else if (e.Crc == v1)
      matchV1 += e.Confidence;
  }
  if (!present) return verdict;
  if (matchV2 > 0 || matchV1 > 0) {
    verdict.Match = TAccurateRipMatch::Accurate;
    verdict.Version = matchV2 > 0 ? 2 : 1;
    verdict.Confidence = matchV2 + matchV1;
  } else {
    verdict.Match = TAccurateRipMatch::NotAccurate;
    verdict.Confidence = all;
  }
  return verdict;
}

void SetAccurateRipBaseUrl(const std::string& url) {
  std::lock_guard lock(State().Mutex);
  State().BaseUrl = url;
  while (!State().BaseUrl.empty() && State().BaseUrl.back() == '/') State().BaseUrl.pop_back();
}

std::string AccurateRipBaseUrl() {
  std::lock_guard lock(State().Mutex);
  return State().BaseUrl;
}

std::optional<std::vector<TAccurateRipRecord>> FetchAccurateRip(const TAccurateRipDiscIds& ids,
                                                                const TCddbServerOptions& proxy) {
  const std::string base = AccurateRipBaseUrl();
  if (base.empty() || ids.AudioTracks == 0) return std::nullopt;
  const std::string url = base + "/" + AccurateRipEntryPath(ids);
  {
    std::lock_guard lock(State().Mutex);
    const auto it = State().Replies.find(url);
    if (it != State().Replies.end()) return it->second;
  }
  // Fetched outside the lock: a slow server holds up no other caller.
  const TCddbHttpReply reply = HttpGetUrl(proxy, url);
  std::optional<std::vector<TAccurateRipRecord>> records;
  if (reply.Error != 0) {
    qCWarning(lcAccurateRip) << "no entry for" << url.c_str() << "error" << reply.Error;
  } else {
    records = ParseAccurateRipReply(reply.Body);
    if (!records)
      qCWarning(lcAccurateRip) << "unusable reply of" << reply.Body.size() << "bytes for"
                               << url.c_str();
  }
  std::lock_guard lock(State().Mutex);
  State().Replies[url] = records;
  return records;
}

void ForgetAccurateRipReplies() {
  std::lock_guard lock(State().Mutex);
  State().Replies.clear();
}
