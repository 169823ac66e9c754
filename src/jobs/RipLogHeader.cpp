#include "jobs/RipLogHeader.h"

#include "platform/CdHandles.h"
#include "platform/CdSecureRead.h"
#include "settings/OptionsSetting.h"

#include <QDateTime>

QString OutputDescription() {
  const TOptionsSetting& o = OptionsSetting;
  QString s;
  switch (o.CommonOptions.OutputFormat) {
    case 0:
      s = o.Mp3Options.IsSelectVBR ? QStringLiteral("MP3, VBR quality %1, at most %2 kbit/s")
                                         .arg(o.Mp3Options.VBRQuality)
                                         .arg(o.Mp3Options.MaxBitRate)
                                   : QStringLiteral("MP3, %1 kbit/s").arg(o.Mp3Options.BitRate);
      s += QStringLiteral(", quality %1, stereo mode %2")
               .arg(o.Mp3Options.MpegQuality)
               .arg(o.Mp3Options.StereoMode);
      if (o.ID3Use) s += QStringLiteral(", ID3v1 tags");
      break;
    case 1:
      s = QStringLiteral("WAV");
      break;
    case 2:
      s = o.OggOptions.IsUseCompress
              ? QStringLiteral("Ogg Vorbis, quality %1")
                    .arg((o.OggOptions.CompressPosition - 10) / 100.0, 0, 'f', 2)
              : QStringLiteral("Ogg Vorbis, bit rates %1/%2/%3 (maximum/nominal/minimum)")
                    .arg(o.OggOptions.MaxBitRate)
                    .arg(o.OggOptions.NomalBitRate)
                    .arg(o.OggOptions.MinBitRate);
      break;
    case 3:
      s = QStringLiteral("WMA, profile %1").arg(o.WMAOptions.BitRate);
      break;
    default:
      s = QStringLiteral("format %1").arg(o.CommonOptions.OutputFormat);
  }
  if (o.CommonOptions.OutputFormat != 1 && o.CommonOptions.IsKeepWav)
    s += QStringLiteral(", WAV files kept");
  if (o.CommonOptions.IsNormalize)
    s += QStringLiteral(", normalised to %1 %").arg(o.CommonOptions.NormalizePercent);
  if (o.CommonOptions.EnableRipTime)
    s += QStringLiteral(", first %1 seconds of each track").arg(o.CommonOptions.RipTime);
  return s;
}

TRipLogHeader CurrentRipLogHeader(int32_t cdHandle) {
  TRipLogHeader h;
  h.Program = QStringLiteral("Trackwell %1").arg(TW_VERSION);
  h.Date = QDateTime::currentDateTime().toString(Qt::ISODate);
  bool paranoia = false;
  if (const auto slot = FindCdHandle(cdHandle)) {
    std::lock_guard lock(slot->Mutex);
    h.Drive = QString::fromLatin1(slot->Drive.Vendor).trimmed() + " " +
              QString::fromLatin1(slot->Drive.Product).trimmed();
    paranoia = slot->ReadMode.Paranoia;
  } else {
    h.Drive = QStringLiteral("unknown (no open drive)");
  }
  h.ReadMode =
      OptionsSetting.CDOptions.SecureRead
          ? QStringLiteral(
                "secure (each range read until two reads agree; after a "
                "disagreement up to %1 reads, %2 agreeing)")
                    .arg(kSecureMaxReads)
                    .arg(kSecureAgreeing) +
                (paranoia ? QStringLiteral(", through cdparanoia in full mode") : QString())
          : QStringLiteral("burst (each range read once)");
  h.ReadOffset = OptionsSetting.CDOptions.ReadOffset;
  h.Output = OutputDescription();
  return h;
}
