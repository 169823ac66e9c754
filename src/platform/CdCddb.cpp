// The CDDB exchange of the drive library: the options, "cddb query" for the
// disc of a handle and "cddb read" of one match, over HTTP.
#include "cd/DiscId.h"
#include "platform/CdDriveLibrary.h"
#include "platform/CdHandles.h"
#include "platform/CddbProtocol.h"
#include "platform/CddbTransport.h"

#include <QLoggingCategory>

#include <algorithm>
#include <cstring>
#include <mutex>

Q_DECLARE_LOGGING_CATEGORY(lcCddbHttp)

namespace {

// Longest option text taken; longer ones are refused.
constexpr size_t kMaxOptionText = 1024;

std::mutex optionsMutex;
TCddbServerOptions options;

int32_t Fail(int32_t code) {
  SetCdLastError(code);
  return 0;
}

TCddbServerOptions CurrentOptions() {
  std::lock_guard lock(optionsMutex);
  return options;
}

// Text of a fixed field that may lack its NUL.
std::string_view FieldText(const char* field, size_t size) {
  return std::string_view(field, strnlen(field, size));
}

}  // namespace

int32_t CDDBSetOption(int32_t code, const char* text, int32_t number) {
  const std::string value = text ? std::string(text, strnlen(text, kMaxOptionText + 1)) : "";
  if (value.size() > kMaxOptionText) return Fail(kCdErrBadArgument);
  std::lock_guard lock(optionsMutex);
  switch (code) {
    case 0:
      options = TCddbServerOptions{};
      options.Server = value;
      return 1;
    case 1:
      options.ProxyAddress = value;
      return 1;
    case 2:
      options.UseProxy = number != 0;
      return 1;
    case 3:
      options.Program = value;
      return 1;
    case 4:
      options.Identity = value;
      return 1;
    case 5:
      if (number < 1 || number > 65535) return Fail(kCdErrBadArgument);
      options.ProxyPort = number;
      return 1;
    case 6:
      options.Script = value;
      return 1;
    case 8:
      return 1;  // reserved; taken and ignored
    default:
      return Fail(kCdErrBadArgument);
  }
}

int32_t CDDBQuery(int32_t handle, CDDBQueryRecord* query) {
  if (!query || !query->Items) return Fail(kCdErrBadArgument);
  const size_t room = std::min<size_t>(query->Count, kCDDBMaxMatches);
  query->Count = 0;
  auto slot = FindCdHandle(handle);
  if (!slot) return Fail(kCdErrBadHandle);
  TCdLayout layout;
  {
    std::lock_guard lock(slot->Mutex);
    int32_t error = kCdOk;
    const TCdDisc* disc = slot->CurrentDisc(false, &error);
    if (!disc) return Fail(error);
    layout = disc->Layout();
  }
  if (layout.Tracks.empty()) return Fail(kCdErrBadToc);

  // Every track counts, data tracks included, as in the disc id.
  std::vector<int64_t> starts;
  for (const TCdTrackInfo& track : layout.Tracks) starts.push_back(track.StartLsn);
  TCddbDiscQuery disc;
  disc.DiscId = FreedbDiscId(starts, layout.LeadOutLsn);
  disc.Offsets = FreedbOffsets(starts);
  disc.Seconds = (layout.LeadOutLsn + 150) / 75;

  const TCddbHttpReply http = CddbHttpGet(CurrentOptions(), CddbQueryCommand(disc));
  if (http.Error) return Fail(http.Error);
  const TCddbQueryReply reply = ParseCddbQueryReply(http.Body, room);
  switch (reply.Outcome) {
    case TCddbQueryOutcome::NoMatch:
      // A successful call with no match; the code tells why there is none.
      SetCdLastError(kCdErrCddbNoMatch);
      return 1;
    case TCddbQueryOutcome::Error:
      qCWarning(lcCddbHttp) << "query reply not usable, status" << reply.Code;
      return Fail(reply.Code >= 400 ? kCdErrCddbServer : kCdErrCddbReply);
    case TCddbQueryOutcome::Matches:
      break;
  }
  std::memset(query->Items, 0, room * sizeof(CDDBQueryItem));
  for (size_t i = 0; i < reply.Matches.size(); ++i) {
    const TCddbMatch& match = reply.Matches[i];
    CDDBQueryItem& item = query->Items[i];
    CopyUtf8Field(item.Category, sizeof item.Category, match.Category);
    CopyUtf8Field(item.DiscId, sizeof item.DiscId, match.DiscId);
    item.Exact = match.Exact ? 1 : 0;
    std::string artist, title;
    SplitCddbTitle(match.Title, &artist, &title);
    CopyUtf8Field(item.Artist, sizeof item.Artist, artist);
    CopyUtf8Field(item.Title, sizeof item.Title, title);
  }
  query->Count = static_cast<uint32_t>(reply.Matches.size());
  SetCdLastError(kCdOk);
  return 1;
}

int32_t CDDBGetDiskInfo(const CDDBQueryItem* item, char* text, int32_t size) {
  if (!text || size <= 0) return Fail(kCdErrBadArgument);
  text[0] = '\0';
  if (!item) return Fail(kCdErrBadArgument);
  TCddbMatch match;
  match.Category = FieldText(item->Category, sizeof item->Category);
  match.DiscId = FieldText(item->DiscId, sizeof item->DiscId);
  if (!IsCddbCategory(match.Category) || !IsCddbDiscId(match.DiscId))
    return Fail(kCdErrBadArgument);

  const TCddbHttpReply http = CddbHttpGet(CurrentOptions(), CddbReadCommand(match));
  if (http.Error) return Fail(http.Error);
  const std::optional<std::string> entry = ParseCddbReadReply(http.Body);
  if (!entry) {
    qCWarning(lcCddbHttp) << "read reply not usable for" << match.Category.c_str()
                          << match.DiscId.c_str();
    return Fail(kCdErrCddbReply);
  }
  const std::string fitted = FitCddbEntry(*entry, static_cast<size_t>(size));
  if (fitted.size() < entry->size())
    qCWarning(lcCddbHttp) << "entry of" << entry->size() << "bytes cut to" << fitted.size();
  std::memcpy(text, fitted.data(), fitted.size());
  text[fitted.size()] = '\0';
  SetCdLastError(kCdOk);
  return 1;
}
