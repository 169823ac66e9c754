#pragma once

// One CDDB command as an HTTP GET through libcurl: the server's script with
// cmd, hello and proto in the query string, through an HTTP proxy when one
// is set. Bounded in time and in reply size; safe on any thread.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr size_t kCddbMaxReplyBytes = 256 * 1024;

// Everything the drive library's options hold.
struct TCddbServerOptions {
  std::string Server;  // host[:port], or a URL start "http://host[:port]"
  std::string Script = "/~cddb/cddb.cgi";
  std::string Identity;  // "user@host" for hello
  std::string Program;   // "Name version" for hello
  bool UseProxy = false;
  std::string ProxyAddress;
  int ProxyPort = 80;
};

struct TCddbHttpReply {
  int32_t Error = 0;  // TCdLibError; 0 with the body on success
  std::string Body;
};

// The URL for a command, empty when the server or script text cannot make
// one (blanks, control characters, a user part, a script not starting with
// "/").
std::string CddbRequestUrl(const TCddbServerOptions& options, const std::string& command);

// Sends the command; the body of a 200 reply, or an error: the server
// cannot be reached or does not answer in time (kCdErrCddbNetwork), answers
// with another HTTP status (kCdErrCddbServer) or more than
// kCddbMaxReplyBytes (kCdErrCddbReply).
TCddbHttpReply CddbHttpGet(const TCddbServerOptions& options, const std::string& command);

// A GET of any http or https URL with the proxy, time-outs and size limit of
// the options (their server and script are not used); errors as above.
TCddbHttpReply HttpGetUrl(const TCddbServerOptions& options, const std::string& url);

// Time-outs of every later request: to connect, and for the whole request
// (redirects included). The defaults suit a public server; tests shorten
// them.
void SetCddbTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds total);
inline constexpr std::chrono::milliseconds kCddbConnectTimeout{10000};
inline constexpr std::chrono::milliseconds kCddbTotalTimeout{20000};
