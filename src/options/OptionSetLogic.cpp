#include "options/OptionSetLogic.h"

#include "cd/DriveAccess.h"
#include "options/OptionsLists.h"
#include "options/WholeNumber.h"
#include "platform/Dialogs.h"
#include "platform/MainThread.h"
#include "settings/OptionsSetting.h"

#include <QFileInfo>

namespace {
constexpr int kBadLength = -100;  // what the length check reads a non-number as

// Padded to the list's three digits, so a stored rate shows as its list item
// and one below 10 still reads back from the first three characters.
QString KbitText(int32_t rate) { return QStringLiteral("%1 kbit/s").arg(rate, 3); }
}  // namespace

EOptionsValueError::EOptionsValueError(const QString& text)
    : std::runtime_error(
          QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString()) {}

int32_t BitRateOfText(const QString& text) {
  const QString number = text.left(3).trimmed();
  const std::optional<int32_t> value = ParseWholeNumber(number);
  if (!value) throw EOptionsValueError(number);
  return *value;
}

TOptionSetLogic::TOptionSetLogic(TOptionsSetting& settings) : settings_(settings) {
  storedDrive_ = settings.CDOptions.Index == -1 ? 0 : settings.CDOptions.Index;
}

TOptionsView TOptionSetLogic::Load() const {
  const TOptionsSetting& s = settings_;
  TOptionsView v;
  v.OutputFolder = s.CommonOptions.OutputFolder;
  v.OutputFormat = s.CommonOptions.OutputFormat;
  v.DeleteWav = !s.CommonOptions.IsKeepWav;
  v.Normalize = s.CommonOptions.IsNormalize;
  v.NormalizePercent = s.CommonOptions.NormalizePercent;
  v.EnableRipTime = s.CommonOptions.EnableRipTime;
  v.RipTimeText = QString::number(s.CommonOptions.RipTime);

  v.EnableVBR = s.Mp3Options.IsSelectVBR;
  v.DisableVBRTag = s.Mp3Options.IsVBRHead;
  v.MinBitRateText = KbitText(s.Mp3Options.BitRate);
  v.MaxBitRateText = KbitText(s.Mp3Options.MaxBitRate);
  v.VBRQuality = s.Mp3Options.VBRQuality;
  v.MpegQuality = s.Mp3Options.MpegQuality;
  v.StereoMode = s.Mp3Options.StereoMode;

  v.UseQuality = s.OggOptions.IsUseCompress;
  v.CompressPosition = s.OggOptions.CompressPosition;
  v.OggNominalBitRate = s.OggOptions.NomalBitRate;
  v.OggMaxBitRate = s.OggOptions.MaxBitRate;
  v.OggMinBitRate = s.OggOptions.MinBitRate;

  v.WmaProfile = s.WMAOptions.BitRate;

  v.UseID3 = s.ID3Use;
  v.Artist = s.CDInfo.Artist;
  v.Album = s.CDInfo.Album;
  v.Year = s.CDInfo.Year;
  v.Comment = s.CDInfo.Comment;
  v.Genre = s.CDInfo.Genre + 1;
  return v;
}

void TOptionSetLogic::FillDevices(TOptionsView& view) const {
  ExpectMainThread(Q_FUNC_INFO);
  view.Devices.clear();
  for (const QString& description : DriveDescriptions()) view.Devices << description.trimmed();
  view.Device = storedDrive_ < view.Devices.size() ? storedDrive_ : -1;
  if (view.Device < -1) view.Device = -1;
}

void TOptionSetLogic::LameDefaults(TOptionsView& view) {
  view.EnableVBR = false;
  view.DisableVBRTag = false;
  view.MinBitRateText = Mp3BitRateItems()[kDefaultMinBitRateItem];
  view.MaxBitRateText = Mp3BitRateItems()[kDefaultMaxBitRateItem];
  view.VBRQuality = 4;
  view.MpegQuality = 0;
  view.StereoMode = kJointStereoItem;
}

void TOptionSetLogic::WmaDefault(TOptionsView& view) { view.WmaProfile = 8; }

TOptionsCheck TOptionSetLogic::Check(const TOptionsView& view) {
  if (!QFileInfo(view.OutputFolder).isDir()) return TOptionsCheck::MissingFolder;
  if (ParseWholeNumber(view.RipTimeText).value_or(kBadLength) == kBadLength)
    return TOptionsCheck::BadLength;
  return TOptionsCheck::Passed;
}

QString TOptionSetLogic::CheckMessage(TOptionsCheck check, const TOptionsView& view) {
  switch (check) {
    case TOptionsCheck::MissingFolder:
      return view.OutputFolder + "," + "The output directory does not exist.";
    case TOptionsCheck::BadLength:
      return "Please check the song length field.";
    case TOptionsCheck::Passed:
      break;
  }
  return {};
}

void TOptionSetLogic::Store(const TOptionsView& v) {
  TOptionsSetting& s = settings_;
  s.CommonOptions.IsKeepWav = !v.DeleteWav;
  s.CommonOptions.OutputFormat = v.OutputFormat;
  s.CommonOptions.OutputFolder = v.OutputFolder;
  s.CommonOptions.IsNormalize = v.Normalize;
  s.CommonOptions.NormalizePercent = v.NormalizePercent;
  s.CommonOptions.EnableRipTime = v.EnableRipTime;
  s.CommonOptions.RipTime = ParseWholeNumber(v.RipTimeText).value_or(0);
  s.Mp3Options.IsSelectVBR = v.EnableVBR;
  s.Mp3Options.IsVBRHead = v.DisableVBRTag;
  s.Mp3Options.BitRate = BitRateOfText(v.MinBitRateText);
  s.Mp3Options.MaxBitRate = BitRateOfText(v.MaxBitRateText);
  s.Mp3Options.MpegQuality = v.MpegQuality;
  s.Mp3Options.VBRQuality = v.VBRQuality;
  s.Mp3Options.StereoMode = v.StereoMode;
  s.OggOptions.IsUseCompress = v.UseQuality;
  s.OggOptions.CompressPosition = v.CompressPosition;
  s.OggOptions.NomalBitRate = v.OggNominalBitRate;
  s.OggOptions.MaxBitRate = v.OggMaxBitRate;
  s.OggOptions.MinBitRate = v.OggMinBitRate;
  s.WMAOptions.BitRate = v.WmaProfile;
  s.CDOptions.Index = v.Devices.isEmpty() || v.Device < 0 ? -1 : v.Device;
  s.ID3Use = v.UseID3;
  s.CDInfo.Artist = v.Artist;
  s.CDInfo.Album = v.Album;
  s.CDInfo.Year = v.Year;
  // No selection means no genre, like the empty first entry.
  s.CDInfo.Genre = v.Genre < 0 ? -1 : v.Genre - 1;
  s.CDInfo.Comment = v.Comment;
}

bool TOptionSetLogic::DriveChanged(const TOptionsView& view) const {
  return view.Device >= 0 && view.Device < view.Devices.size() && view.Device != storedDrive_;
}

TOptionsCheck TOptionSetLogic::Accept(QWidget* parent, const TOptionsView& view,
                                      TOptionsDriveHost* host) {
  ExpectMainThread(Q_FUNC_INFO);
  const TOptionsCheck check = Check(view);
  if (check != TOptionsCheck::Passed) {
    ShowMessage(parent, CheckMessage(check, view), TMsgIcon::Error);
    return check;
  }
  Store(view);
  if (host && DriveChanged(view)) {
    host->OpenDrive(view.Device);
    host->LoadTrackList();
    host->TakeStatusAsDriveText();
  }
  return TOptionsCheck::Passed;
}
