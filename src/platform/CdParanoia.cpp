#include "platform/CdParanoia.h"

#include <cdio/cdio.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <QLoggingCategory>

#include <cstring>

Q_LOGGING_CATEGORY(lcParanoia, "trackwell.platform.paranoia")

namespace {

constexpr long kWordsPerSector = CDIO_CD_FRAMESIZE_RAW / 2;

// Paranoia's callback carries no context; reads run on one thread at a
// time per handle, so the sink of the read in progress is the thread's.
thread_local std::vector<int64_t>* currentSuspicious = nullptr;
thread_local int hardErrors = 0;

void OnParanoiaEvent(long position, paranoia_cb_mode_t event) {
  if (event == PARANOIA_CB_READERR) ++hardErrors;
  if (const auto sector = ParanoiaSuspiciousSector(position, event); sector && currentSuspicious)
    if (currentSuspicious->empty() || currentSuspicious->back() != *sector)
      currentSuspicious->push_back(*sector);
}

}  // namespace

std::optional<int64_t> ParanoiaSuspiciousSector(long position, int event) {
  if (event != PARANOIA_CB_SKIP) return std::nullopt;
  return position < 0 ? 0 : position / kWordsPerSector;
}

std::unique_ptr<TCdParanoia> TCdParanoia::Open(void* cdio) {
  char* messages = nullptr;
  cdrom_drive_t* drive =
      cdio_cddap_identify_cdio(static_cast<CdIo_t*>(cdio), CDDA_MESSAGE_FORGETIT, &messages);
  if (messages) cdio_cddap_free_messages(messages);
  if (!drive) {
    qCWarning(lcParanoia) << "paranoia does not know the drive; reading it directly";
    return nullptr;
  }
  cdio_cddap_verbose_set(drive, CDDA_MESSAGE_FORGETIT, CDDA_MESSAGE_FORGETIT);
  if (cdio_cddap_open(drive) != 0) {
    qCWarning(lcParanoia) << "paranoia cannot open the drive; reading it directly";
    cdio_cddap_close_no_free_cdio(drive);
    return nullptr;
  }
  cdrom_paranoia_t* paranoia = cdio_paranoia_init(drive);
  if (!paranoia) {
    qCWarning(lcParanoia) << "paranoia cannot start; reading the drive directly";
    cdio_cddap_close_no_free_cdio(drive);
    return nullptr;
  }
  // Full verification; never-skip would retry a scratch for ever.
  cdio_paranoia_modeset(paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
  std::unique_ptr<TCdParanoia> reader(new TCdParanoia);
  reader->drive_ = drive;
  reader->paranoia_ = paranoia;
  return reader;
}

TCdParanoia::~TCdParanoia() {
  cdio_paranoia_free(static_cast<cdrom_paranoia_t*>(paranoia_));
  // The libcdio handle belongs to the disc.
  cdio_cddap_close_no_free_cdio(static_cast<cdrom_drive_t*>(drive_));
}

bool TCdParanoia::Read(int64_t lsn, int count, uint8_t* out, std::vector<int64_t>* suspicious) {
  auto* p = static_cast<cdrom_paranoia_t*>(paranoia_);
  // A seek drops paranoia's verified data, so consecutive ranges go on
  // from where the last one ended.
  if (lsn != next_) cdio_paranoia_seek(p, static_cast<int32_t>(lsn), SEEK_SET);
  next_ = -1;
  currentSuspicious = suspicious;
  hardErrors = 0;
  bool ok = true;
  for (int i = 0; i < count; ++i) {
    const int16_t* sector = cdio_paranoia_read_limited(p, OnParanoiaEvent, kParanoiaRetries);
    if (!sector) {
      qCWarning(lcParanoia) << "paranoia could not read sector" << lsn + i;
      ok = false;
      break;
    }
    std::memcpy(out + static_cast<size_t>(i) * CDIO_CD_FRAMESIZE_RAW, sector,
                CDIO_CD_FRAMESIZE_RAW);
  }
  currentSuspicious = nullptr;
  if (hardErrors > 0)
    qCWarning(lcParanoia) << hardErrors << "hard read errors retried in sectors" << lsn << "to"
                          << lsn + count - 1;
  if (ok) next_ = lsn + count;
  return ok;
}
