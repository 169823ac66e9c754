#include "tags/Id3Genres.h"

#include <gtest/gtest.h>

#include <QSet>

TEST(GenreTable, RockMapsBothWays) {
  EXPECT_EQ(GenreToByte(118), 17);
  EXPECT_EQ(ByteToGenre(17), 118);
  EXPECT_EQ(GenreNames().at(117), "Rock");
}

TEST(GenreTable, EveryId3NumberHasExactlyOnePosition) {
  QSet<int> positions;
  for (int n = 0; n <= 147; ++n) {
    const uint8_t position = ByteToGenre(static_cast<uint8_t>(n));
    ASSERT_GE(position, 1) << n;
    ASSERT_LE(position, 148) << n;
    EXPECT_EQ(GenreToByte(position), n) << "number " << n << " position " << int(position);
    positions.insert(position);
  }
  EXPECT_EQ(positions.size(), 148);
}

TEST(GenreTable, OutOfRangeValues) {
  EXPECT_EQ(GenreToByte(0), 255);
  EXPECT_EQ(GenreToByte(149), 255);
  EXPECT_EQ(GenreToByte(255), 255);
  EXPECT_EQ(GenreToByte(-1), 255);
  EXPECT_EQ(GenreToByte(256 + 118), 255);  // never wraps to Rock
  EXPECT_EQ(ByteToGenre(-1), 0);
  EXPECT_EQ(ByteToGenre(256 + 17), 0);
  EXPECT_EQ(ByteToGenre(148), 0);
  EXPECT_EQ(ByteToGenre(200), 0);
  EXPECT_EQ(ByteToGenre(255), 0);
}

TEST(GenreTable, TableEndsAndSamples) {
  ASSERT_EQ(GenreNames().size(), 148);
  EXPECT_EQ(GenreNames().first(), "A Cappella");
  EXPECT_EQ(GenreToByte(1), 123);
  EXPECT_EQ(GenreNames().last(), "Vocal");
  EXPECT_EQ(GenreToByte(148), 28);
  EXPECT_EQ(GenreNames().at(ByteToGenre(0) - 1), "Blues");
  EXPECT_EQ(GenreNames().at(ByteToGenre(147) - 1), "Synthpop");
  EXPECT_EQ(GenreNames().at(ByteToGenre(127) - 1), "Drum & Base");
}

TEST(GenreTable, IndexOfNameIsExactAndZeroBased) {
  EXPECT_EQ(GenreIndexOfName("Rock"), 117);
  EXPECT_EQ(GenreIndexOfName("rock"), -1);
  EXPECT_EQ(GenreIndexOfName("Rock "), -1);
  EXPECT_EQ(GenreIndexOfName(""), -1);
  EXPECT_EQ(GenreIndexOfName("A Cappella"), 0);
  EXPECT_EQ(GenreIndexOfName("Vocal"), 147);
  for (int i = 0; i < GenreNames().size(); ++i)
    EXPECT_EQ(GenreIndexOfName(GenreNames().at(i)), i) << GenreNames().at(i).toStdString();
}
