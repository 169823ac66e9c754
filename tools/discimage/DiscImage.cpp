#include "DiscImage.h"

#include "cd/DiscId.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cmath>
#include <cstring>
#include <numbers>

namespace {
constexpr int kSampleRate = 44100;

// A counter-based generator: the value for one index needs no earlier ones,
// so any sector can be rendered on its own.
uint64_t SplitMix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

int16_t Clamp16(double v) {
  const long r = std::lround(v);
  return static_cast<int16_t>(r > 32767 ? 32767 : (r < -32768 ? -32768 : r));
}

void Put16(uint8_t* out, int16_t v) {
  out[0] = static_cast<uint8_t>(v & 0xFF);
  out[1] = static_cast<uint8_t>((static_cast<uint16_t>(v) >> 8) & 0xFF);
}

// Tone: fundamental plus two soft harmonics, a 50 ms fade at both ends so
// tracks start and stop without clicks, the right channel a little quieter.
void RenderTone(const TTrackDescription& t, int64_t sample, uint8_t* out) {
  const int64_t total = t.Sectors * kSamplesPerSector;
  const double fade = 0.05 * kSampleRate;
  double envelope = 1.0;
  if (sample < fade) envelope = sample / fade;
  if (total - sample < fade) envelope = std::min(envelope, (total - sample) / fade);
  const double phase =
      2.0 * std::numbers::pi * t.FrequencyHz * static_cast<double>(sample) / kSampleRate;
  const double wave =
      (std::sin(phase) + 0.3 * std::sin(2 * phase) + 0.1 * std::sin(3 * phase)) / 1.4;
  const double left = wave * envelope * t.Amplitude * 32767.0;
  Put16(out, Clamp16(left));
  Put16(out + 2, Clamp16(left * 0.9));
}

void RenderNoise(const TTrackDescription& t, int64_t sample, uint8_t* out) {
  const uint64_t r =
      SplitMix((static_cast<uint64_t>(t.Seed) << 40) ^ static_cast<uint64_t>(sample));
  auto channel = [&](int shift) {
    const double u = static_cast<double>(static_cast<int16_t>((r >> shift) & 0xFFFF)) / 32768.0;
    return Clamp16(u * t.Amplitude * 32767.0);
  };
  Put16(out, channel(0));
  Put16(out + 2, channel(16));
}

void RenderAudioSector(const TTrackDescription& t, int64_t sectorInTrack, uint8_t* out) {
  for (int i = 0; i < kSamplesPerSector; ++i) {
    const int64_t sample = sectorInTrack * kSamplesPerSector + i;
    uint8_t* frame = out + 4 * i;
    switch (t.Content) {
      case TTrackContent::Tone:
        RenderTone(t, sample, frame);
        break;
      case TTrackContent::Noise:
        RenderNoise(t, sample, frame);
        break;
      case TTrackContent::Ramp:
        Put16(frame, static_cast<int16_t>(sample & 0xFFFF));
        Put16(frame + 2, static_cast<int16_t>(sample & 0xFFFF));
        break;
      case TTrackContent::Silence:
      case TTrackContent::Data:
        break;
    }
  }
}

// A MODE1 raw sector: sync, BCD address header, mode 1, a seeded payload.
void RenderDataSector(const TTrackDescription& t, int64_t lsn, uint8_t* out) {
  static const uint8_t sync[12] = {0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                   0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
  std::memcpy(out, sync, sizeof sync);
  const int64_t absolute = lsn + 150;
  auto bcd = [](int v) { return static_cast<uint8_t>(((v / 10) << 4) | (v % 10)); };
  out[12] = bcd(static_cast<int>(absolute / 4500 % 100));
  out[13] = bcd(static_cast<int>(absolute / 75 % 60));
  out[14] = bcd(static_cast<int>(absolute % 75));
  out[15] = 1;
  for (int i = 16; i < kImageSectorBytes; i += 8) {
    const uint64_t r = SplitMix((static_cast<uint64_t>(t.Seed) << 40) ^ (lsn * 512 + i));
    std::memcpy(out + i, &r, std::min(8, kImageSectorBytes - i));
  }
}

bool Validate(const TDiscDescription& disc, QString* error) {
  auto fail = [&](const QString& text) {
    if (error) *error = text;
    return false;
  };
  if (disc.Tracks.empty()) return fail("a disc needs at least one track");
  if (disc.Tracks.size() > 99) return fail("a disc holds at most 99 tracks");
  for (size_t i = 0; i < disc.Tracks.size(); ++i) {
    const TTrackDescription& t = disc.Tracks[i];
    if (t.Sectors < 1) return fail(QString("track %1 is shorter than one sector").arg(i + 1));
    if (t.GapSectors < 0) return fail(QString("track %1 has an invalid gap").arg(i + 1));
  }
  return true;
}

QString Msf(int64_t sectors) {
  return QString("%1:%2:%3")
      .arg(sectors / 4500, 2, 10, QChar('0'))
      .arg(sectors / 75 % 60, 2, 10, QChar('0'))
      .arg(sectors % 75, 2, 10, QChar('0'));
}

QString TwoDigits(int n) { return n > 9 ? QString::number(n) : "0" + QString::number(n); }
}  // namespace

TDiscLayout LayoutOf(const TDiscDescription& disc) {
  TDiscLayout layout;
  int64_t position = 0;
  for (const TTrackDescription& t : disc.Tracks) {
    position += t.GapSectors;
    layout.TrackStarts.push_back(position);
    position += t.Sectors;
  }
  layout.LeadOut = position;
  return layout;
}

QByteArray ImageSector(const TDiscDescription& disc, int64_t lsn) {
  QByteArray sector(kImageSectorBytes, '\0');
  const TDiscLayout layout = LayoutOf(disc);
  for (size_t k = 0; k < disc.Tracks.size(); ++k) {
    const int64_t start = layout.TrackStarts[k];
    const TTrackDescription& t = disc.Tracks[k];
    if (lsn < start || lsn >= start + t.Sectors) continue;
    auto* out = reinterpret_cast<uint8_t*>(sector.data());
    if (t.Content == TTrackContent::Data)
      RenderDataSector(t, lsn, out);
    else
      RenderAudioSector(t, lsn - start, out);
    break;
  }
  return sector;
}

QString CueText(const TDiscDescription& disc, const QString& binName) {
  const TDiscLayout layout = LayoutOf(disc);
  QString cue = QString("FILE \"%1\" BINARY\r\n").arg(binName);
  for (size_t k = 0; k < disc.Tracks.size(); ++k) {
    const TTrackDescription& t = disc.Tracks[k];
    cue += QString("  TRACK %1 %2\r\n")
               .arg(TwoDigits(static_cast<int>(k + 1)))
               .arg(t.Content == TTrackContent::Data ? "MODE1/2352" : "AUDIO");
    if (t.GapSectors > 0)
      cue += "    INDEX 00 " + Msf(layout.TrackStarts[k] - t.GapSectors) + "\r\n";
    cue += "    INDEX 01 " + Msf(layout.TrackStarts[k]) + "\r\n";
  }
  return cue;
}

bool WriteDiscImage(const TDiscDescription& disc, const QString& cuePath, QString* error) {
  if (!Validate(disc, error)) return false;
  const QFileInfo cueInfo(cuePath);
  const QString binPath = cueInfo.path() + '/' + cueInfo.completeBaseName() + ".bin";
  auto fail = [&](const QString& text) {
    if (error) *error = text;
    return false;
  };
  if (!QDir().mkpath(cueInfo.path())) return fail("cannot create " + cueInfo.path());

  QSaveFile bin(binPath);
  if (!bin.open(QIODevice::WriteOnly)) return fail("cannot write " + binPath);
  const TDiscLayout layout = LayoutOf(disc);
  QByteArray chunk;
  for (size_t k = 0; k < disc.Tracks.size(); ++k) {
    const TTrackDescription& t = disc.Tracks[k];
    const int64_t start = layout.TrackStarts[k];
    if (t.Content == TTrackContent::Silence) continue;  // left as a hole
    if (!bin.seek(start * kImageSectorBytes)) return fail("cannot write " + binPath);
    for (int64_t s = 0; s < t.Sectors; ++s) {
      chunk += ImageSector(disc, start + s);
      if (chunk.size() >= 256 * kImageSectorBytes || s + 1 == t.Sectors) {
        if (bin.write(chunk) != chunk.size()) return fail("cannot write " + binPath);
        chunk.clear();
      }
    }
  }
  // Gaps and silent tracks are holes; the file ends at the lead-out.
  if (!bin.resize(layout.LeadOut * kImageSectorBytes)) return fail("cannot write " + binPath);

  QSaveFile cue(cuePath);
  if (!cue.open(QIODevice::WriteOnly) ||
      cue.write(CueText(disc, QFileInfo(binPath).fileName()).toUtf8()) < 0)
    return fail("cannot write " + cuePath);
  if (!bin.commit()) return fail("cannot write " + binPath);
  if (!cue.commit()) return fail("cannot write " + cuePath);
  return true;
}

uint32_t DiscIdOf(const TDiscDescription& disc) {
  const TDiscLayout layout = LayoutOf(disc);
  return FreedbDiscId(layout.TrackStarts, layout.LeadOut);
}

bool WriteCatalogueSection(const TDiscDescription& disc, const QString& cataloguePath,
                           bool keepExisting, QString* error) {
  if (!Validate(disc, error)) return false;
  if (keepExisting && QFileInfo::exists(cataloguePath)) return true;
  const int tracks = static_cast<int>(disc.Tracks.size());
  QString text = QString("[%1]\r\n").arg(static_cast<int32_t>(DiscIdOf(disc)));
  text += "Artist=" + disc.Artist + "\r\n";
  text += "Album=" + disc.Album + "\r\n";
  text += "Year=" + disc.Year + "\r\n";
  text += "Genre=" + QString::number(disc.Genre) + "\r\n";
  text += "Comment=" + disc.Comment + "\r\n";
  text += "TrackNumber=" + QString::number(tracks) + "\r\n";
  for (int n = 1; n <= tracks; ++n) {
    QString title = n <= disc.Titles.size() ? disc.Titles[n - 1] : QString();
    if (title.isEmpty()) title = "Track" + TwoDigits(n);
    text += QString::number(n) + "=" + title + "\r\n";
  }
  QSaveFile file(cataloguePath);
  if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit()) {
    if (error) *error = "cannot write " + cataloguePath;
    return false;
  }
  return true;
}

TDiscDescription DemoDisc() {
  struct Piece {
    double Seconds;
    double Hz;
    const char* Title;
  };
  // A major pentatonic walk: C4, D4, E4, G4, A4.
  static const Piece pieces[] = {{24, 261.63, "Morning in C"},
                                 {31, 293.66, "Slow River D"},
                                 {27, 329.63, "Open Field E"},
                                 {36, 392.00, "Evening Bells G"},
                                 {22, 440.00, "Last Light A"}};
  TDiscDescription disc;
  for (size_t i = 0; i < std::size(pieces); ++i) {
    TTrackDescription t;
    t.Sectors = SecondsToSectors(pieces[i].Seconds);
    t.GapSectors = i == 0 ? 0 : 2 * kSectorsPerSecond;
    t.FrequencyHz = pieces[i].Hz;
    t.Amplitude = 0.3;
    disc.Tracks.push_back(t);
    disc.Titles << pieces[i].Title;
  }
  disc.Artist = "Trackwell";
  disc.Album = "Demo Disc";
  disc.Year = "2024";
  disc.Comment = "Generated tones";
  return disc;
}
