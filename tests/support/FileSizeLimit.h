#pragma once

#include <sys/resource.h>
#include <csignal>

// A file-size limit on this process and the children it starts, standing in
// for a full disk: writes past it fail (SIGXFSZ is ignored here; a child
// started with default signal handling is ended by it). Restored when the
// guard goes.
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &oldAction_);
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit limited = saved_;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~TFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    sigaction(SIGXFSZ, &oldAction_, nullptr);
  }
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

 private:
  struct sigaction oldAction_ {};
  rlimit saved_{};
};
