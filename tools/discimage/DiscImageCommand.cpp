#include "DiscImageCommand.h"

#include <cmath>

namespace {
bool ParseTrack(const QString& spec, bool sectors, TTrackDescription* track, QString* error) {
  const QStringList parts = spec.split(':');
  bool ok = false;
  const double length = parts.size() >= 2 ? parts[1].toDouble(&ok) : 0.0;
  if (parts.size() < 2 || parts.size() > 3 || !ok || !std::isfinite(length) || length <= 0 ||
      length > 100 * 60 * 75) {
    *error = "malformed track: " + spec;
    return false;
  }
  track->Sectors = sectors ? static_cast<int64_t>(length) : SecondsToSectors(length);
  const QString kind = parts[0].toLower();
  const QString value = parts.size() == 3 ? parts[2] : QString();
  if (kind == "tone") {
    track->Content = TTrackContent::Tone;
    if (!value.isEmpty()) track->FrequencyHz = value.toDouble(&ok);
    if (!value.isEmpty() && (!ok || track->FrequencyHz <= 0 || track->FrequencyHz > 22050)) {
      *error = "malformed frequency: " + spec;
      return false;
    }
  } else if (kind == "noise" || kind == "data") {
    track->Content = kind == "noise" ? TTrackContent::Noise : TTrackContent::Data;
    if (!value.isEmpty()) track->Seed = value.toUInt(&ok);
    if (!value.isEmpty() && !ok) {
      *error = "malformed seed: " + spec;
      return false;
    }
  } else if (kind == "silence" || kind == "ramp") {
    track->Content = kind == "silence" ? TTrackContent::Silence : TTrackContent::Ramp;
  } else {
    *error = "unknown track kind: " + spec;
    return false;
  }
  return true;
}
}  // namespace

bool ParseDiscImageCommand(const QStringList& arguments, TDiscImageCommand* command,
                           QString* error) {
  TDiscImageCommand result;
  bool sectors = false;
  int64_t pendingGap = 0;
  for (int i = 0; i < arguments.size(); ++i) {
    const QString& arg = arguments[i];
    auto value = [&](QString* out) {
      if (i + 1 >= arguments.size()) {
        *error = "missing value for " + arg;
        return false;
      }
      *out = arguments[++i];
      return true;
    };
    QString text;
    if (arg == "--demo") {
      result.Disc = DemoDisc();
    } else if (arg == "--sectors") {
      sectors = true;
    } else if (arg == "--track") {
      if (!value(&text)) return false;
      TTrackDescription track;
      if (!ParseTrack(text, sectors, &track, error)) return false;
      track.GapSectors = pendingGap;
      pendingGap = 0;
      result.Disc.Tracks.push_back(track);
    } else if (arg == "--gap") {
      if (!value(&text)) return false;
      bool ok = false;
      const double gap = text.toDouble(&ok);
      if (!ok || !std::isfinite(gap) || gap < 0 || gap > 6000) {
        *error = "malformed gap: " + text;
        return false;
      }
      pendingGap = sectors ? static_cast<int64_t>(gap) : SecondsToSectors(gap);
    } else if (arg == "--artist") {
      if (!value(&result.Disc.Artist)) return false;
    } else if (arg == "--album") {
      if (!value(&result.Disc.Album)) return false;
    } else if (arg == "--year") {
      if (!value(&result.Disc.Year)) return false;
    } else if (arg == "--comment") {
      if (!value(&result.Disc.Comment)) return false;
    } else if (arg == "--genre") {
      if (!value(&text)) return false;
      bool ok = false;
      result.Disc.Genre = text.toInt(&ok);
      if (!ok) {
        *error = "malformed genre: " + text;
        return false;
      }
    } else if (arg == "--title") {
      if (!value(&text)) return false;
      result.Disc.Titles << text;
    } else if (arg == "--catalogue") {
      if (!value(&result.CataloguePath)) return false;
    } else if (arg == "--keep-existing") {
      result.KeepExisting = true;
    } else if (arg == "--no-image") {
      result.WriteImage = false;
    } else if (arg.startsWith("--")) {
      *error = "unknown option " + arg;
      return false;
    } else if (result.CuePath.isEmpty()) {
      result.CuePath = arg;
    } else {
      *error = "more than one output file: " + arg;
      return false;
    }
  }
  if (result.WriteImage && !result.CuePath.endsWith(".cue", Qt::CaseInsensitive)) {
    *error = "the output must be a .cue file";
    return false;
  }
  if (!result.WriteImage && result.CataloguePath.isEmpty()) {
    *error = "nothing to write";
    return false;
  }
  *command = result;
  return true;
}

int RunDiscImageCommand(const TDiscImageCommand& command, QString* error) {
  if (command.WriteImage && !WriteDiscImage(command.Disc, command.CuePath, error)) return 1;
  if (!command.CataloguePath.isEmpty() &&
      !WriteCatalogueSection(command.Disc, command.CataloguePath, command.KeepExisting, error))
    return 1;
  return 0;
}
