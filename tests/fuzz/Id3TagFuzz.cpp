#include "FuzzTargets.h"

#include "tags/Id3Tag.h"

namespace {

bool SameFields(const Tid3tag& a, const Tid3tag& b) {
  return a.Title() == b.Title() && a.Artist() == b.Artist() && a.Album() == b.Album() &&
         a.Comment() == b.Comment() && a.Year() == b.Year() && a.HasTrack() == b.HasTrack() &&
         a.Track() == b.Track() && a.Genre == b.Genre;
}

}  // namespace

// The input is a file's last 128 bytes. A tag read and written again reads
// back the same, and writing it once more gives the same bytes. Text set
// through the setters (from the input as UTF-8) also survives a rewrite as
// far as ISO-8859-1 holds it.
int FuzzId3Tag(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  Tid3tag tag;
  const uint16_t read = tag.ParseTag(bytes.right(128));
  if (read != kId3NoTag) {
    FUZZ_CHECK(read == kId3Ok || read == kId3UnknownGenre);
    const QByteArray block = tag.TagBlock();
    FUZZ_CHECK(block.size() == 128 && block.startsWith("TAG"));
    Tid3tag back;
    FUZZ_CHECK(back.ParseTag(block) == read);
    FUZZ_CHECK(SameFields(tag, back));
    FUZZ_CHECK(back.TagBlock() == block);
  }

  Tid3tag set;
  const QString text = QString::fromUtf8(bytes);
  set.SetTitle(text);
  set.SetArtist(text.mid(3));
  set.SetAlbum(text.mid(7));
  set.SetComment(text.mid(11));
  set.SetYear(text.mid(13));
  set.SetTrack(size ? data[0] : 0);
  set.Genre = size > 1 ? data[1] : 255;
  FUZZ_CHECK(set.Title().size() <= 60 && set.Year().size() <= 8);  // 30 / 4 code points
  const QByteArray block = set.TagBlock();
  FUZZ_CHECK(block.size() == 128);
  Tid3tag back;
  FUZZ_CHECK(back.ParseTag(block) != kId3NoTag);
  Tid3tag again;
  again.ParseTag(back.TagBlock());
  FUZZ_CHECK(SameFields(back, again));
  FUZZ_CHECK(again.TagBlock() == back.TagBlock());
  FUZZ_CHECK(back.HasTrack() == (set.Track() != 0) && back.Track() == set.Track());
  FUZZ_CHECK(back.Genre == set.Genre);
  return 0;
}
