#include "jobs/RipTags.h"

#include "acs/ACSVorbis.h"
#include "tags/Id3Genres.h"
#include "tags/Id3Tag.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tstring.h>

#include <cstdio>

Q_LOGGING_CATEGORY(lcRipTags, "trackwell.jobs.tags")

namespace {

constexpr int kMaxTagText = 255;

TVorbisBitRate BitRateAt(int32_t index) {
  if (index < brAutoSelect || index > br499) return brAutoSelect;
  return static_cast<TVorbisBitRate>(index);
}

TagLib::String Utf8(const QString& text) {
  return TagLib::String(text.toStdString(), TagLib::String::UTF8);
}

bool WriteId3v2(const QString& path, const TCDInfo& disc, const QString& title, int track) {
  TagLib::MPEG::File file(QFile::encodeName(path).constData());
  if (!file.isValid()) return false;
  TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
  tag->setTitle(Utf8(title));
  tag->setArtist(Utf8(disc.Artist));
  tag->setAlbum(Utf8(disc.Album));
  tag->setComment(Utf8(disc.Comment));
  tag->setGenre(Utf8(GenreNameAt(disc.Genre)));
  tag->setYear(disc.Year.trimmed().toUInt());
  tag->setTrack(track > 0 ? static_cast<unsigned>(track) : 0);
  // Only the ID3v2 tag: the ID3v1 tag is Tid3tag's.
  return file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v4,
                   TagLib::File::DoNotDuplicate);
}

}  // namespace

void ApplyOggSettings(TVorbisOut& out, const TOggOptions& options) {
  // An automatic nominal clears the maximum and the minimum with it.
  out.SetDesiredNominalBitrate(brAutoSelect);
  if (options.IsUseCompress) {
    out.SetCompression(float(options.CompressPosition - 10) / 100.0f);
    return;
  }
  out.SetDesiredNominalBitrate(BitRateAt(options.NomalBitRate));
  out.SetDesiredMaximumBitrate(BitRateAt(options.MaxBitRate));
  out.SetMinimumBitrate(BitRateAt(options.MinBitRate));
  out.SetCompression(0.2f);
}

QStringList RipVorbisComments(const TCDInfo& disc, const QString& title, int track) {
  QStringList lines;
  auto add = [&](const char* name, const QString& value) {
    if (!value.trimmed().isEmpty()) lines << QString::fromLatin1(name) + "=" + value;
  };
  add("TITLE", title);
  add("ARTIST", disc.Artist);
  add("ALBUM", disc.Album);
  add("DATE", disc.Year);
  add("GENRE", GenreNameAt(disc.Genre));
  add("TRACKNUMBER", track > 0 ? QString::number(track) : QString());
  add("COMMENT", disc.Comment);
  return lines;
}

TMp3TagResult WriteRipMp3Tags(const QString& path, const TCDInfo& disc, const QString& title,
                              int track) {
  TMp3TagResult result;
  const QFileInfo info(path);
  if (!info.isFile()) {
    result.Id3v1 = kId3CannotOpen;
    result.Id3v2 = false;
    return result;
  }
  const QString copy = info.absolutePath() + "/." + info.fileName() + ".tagging";
  QFile::remove(copy);
  if (!QFile::copy(path, copy)) {
    qCWarning(lcRipTags) << "cannot copy" << path << "for tagging";
    result.Id3v1 = kId3WriteError;
    result.Id3v2 = false;
    return result;
  }
  result.Id3v2 = WriteId3v2(copy, disc, title, track);
  if (!result.Id3v2) qCWarning(lcRipTags) << "ID3v2 tag not written to" << path;

  Tid3tag tag;
  tag.SetTitle(title.left(kMaxTagText));
  tag.SetArtist(disc.Artist.left(kMaxTagText));
  tag.SetAlbum(disc.Album.left(kMaxTagText));
  tag.SetYear(disc.Year.left(kMaxTagText));
  tag.Genre = GenreToByte(disc.Genre + 1);
  tag.SetComment(disc.Comment.left(kMaxTagText));
  tag.SetTrack(static_cast<uint8_t>(track > 0 && track < 256 ? track : 0));
  result.Id3v1 = tag.WriteTag(copy);

  if (result.Id3v1 > 255 ||
      std::rename(QFile::encodeName(copy).constData(), QFile::encodeName(path).constData()) != 0) {
    if (result.Id3v1 <= 255) result.Id3v1 = kId3WriteError;
    result.Id3v2 = false;
    QFile::remove(copy);
  }
  return result;
}
