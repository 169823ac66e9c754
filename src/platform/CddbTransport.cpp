#include "platform/CddbTransport.h"

#include "platform/CdDriveLibrary.h"
#include "platform/CddbProtocol.h"

#include <QLoggingCategory>

#include <curl/curl.h>

#include <atomic>
#include <memory>
#include <mutex>

Q_LOGGING_CATEGORY(lcCddbHttp, "trackwell.platform.cddb")

namespace {

std::atomic<long> connectTimeoutMs{kCddbConnectTimeout.count()};
std::atomic<long> totalTimeoutMs{kCddbTotalTimeout.count()};

void InitCurlOnce() {
  static std::once_flag once;
  // Never cleaned up: a query thread may still be inside curl while the
  // process exits.
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool IsHostChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-' || c == ':' || c == '[' || c == ']';
}

bool IsScriptChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u > ' ' && u < 0x7F && c != '?' && c != '#' && c != '\\';
}

struct TBody {
  std::string Text;
  bool TooLarge = false;
};

size_t Collect(char* data, size_t size, size_t count, void* user) {
  auto* body = static_cast<TBody*>(user);
  const size_t bytes = size * count;
  if (body->Text.size() + bytes > kCddbMaxReplyBytes) {
    body->TooLarge = true;
    return 0;  // aborts the transfer
  }
  body->Text.append(data, bytes);
  return bytes;
}

struct TCurlDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

}  // namespace

std::string CddbRequestUrl(const TCddbServerOptions& options, const std::string& command) {
  std::string host = options.Server;
  std::string scheme = "http://";
  for (const char* prefix : {"http://", "https://"}) {
    if (host.rfind(prefix, 0) == 0) {
      scheme = prefix;
      host.erase(0, std::char_traits<char>::length(prefix));
      break;
    }
  }
  while (!host.empty() && host.back() == '/') host.pop_back();
  if (host.empty()) return {};
  for (const char c : host)
    if (!IsHostChar(c)) return {};
  const std::string& script = options.Script;
  if (script.empty() || script.front() != '/') return {};
  for (const char c : script)
    if (!IsScriptChar(c)) return {};
  return scheme + host + script + "?" +
         CddbRequestQuery(command, CddbHelloWords(options.Identity, options.Program));
}

TCddbHttpReply CddbHttpGet(const TCddbServerOptions& options, const std::string& command) {
  const std::string url = CddbRequestUrl(options, command);
  if (url.empty()) {
    qCWarning(lcCddbHttp) << "no usable server or script:" << options.Server.c_str()
                          << options.Script.c_str();
    TCddbHttpReply reply;
    reply.Error = kCdErrCddbUnavailable;
    return reply;
  }
  return HttpGetUrl(options, url);
}

TCddbHttpReply HttpGetUrl(const TCddbServerOptions& options, const std::string& url) {
  TCddbHttpReply reply;
  InitCurlOnce();
  std::unique_ptr<CURL, TCurlDeleter> curl(curl_easy_init());
  if (!curl) {
    reply.Error = kCdErrCddbNetwork;
    return reply;
  }
  CURL* c = curl.get();
  TBody body;
  char errorText[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);  // time-outs without SIGALRM, on any thread
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, 3L);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, connectTimeoutMs.load());
  curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, totalTimeoutMs.load());
  curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kCddbMaxReplyBytes));
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &body);
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(c, CURLOPT_USERAGENT,
                   options.Program.empty() ? "Trackwell" : options.Program.c_str());
  if (options.UseProxy) {
    curl_easy_setopt(c, CURLOPT_PROXY, options.ProxyAddress.c_str());
    curl_easy_setopt(c, CURLOPT_PROXYPORT, static_cast<long>(options.ProxyPort));
    curl_easy_setopt(c, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
  } else {
    // An empty proxy also keeps curl from taking one from the environment.
    curl_easy_setopt(c, CURLOPT_PROXY, "");
  }

  const CURLcode result = curl_easy_perform(c);
  if (body.TooLarge || result == CURLE_FILESIZE_EXCEEDED) {
    qCWarning(lcCddbHttp) << "reply larger than" << kCddbMaxReplyBytes << "bytes, dropped";
    reply.Error = kCdErrCddbReply;
    return reply;
  }
  if (result != CURLE_OK) {
    qCWarning(lcCddbHttp) << "request failed:" << curl_easy_strerror(result) << errorText;
    reply.Error = kCdErrCddbNetwork;
    return reply;
  }
  long status = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
  if (status != 200) {
    qCWarning(lcCddbHttp) << "server answered HTTP" << status;
    reply.Error = kCdErrCddbServer;
    return reply;
  }
  reply.Body = std::move(body.Text);
  return reply;
}

void SetCddbTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds total) {
  connectTimeoutMs = static_cast<long>(connect.count());
  totalTimeoutMs = static_cast<long>(total.count());
}
