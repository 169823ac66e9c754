#pragma once

// The AccurateRip database: a disc's entry fetched over HTTP (through the
// CDDB transport, so the same proxy applies), its binary reply parsed, and
// a ripped track's checksums matched against it. A reply that cannot be
// trusted whole (garbled, truncated, for another disc) counts as no entry,
// so nothing is ever called accurate on a bad reply.

#include "cd/AccurateRipId.h"
#include "platform/CddbTransport.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TAccurateRipTrackEntry {
  uint8_t Confidence = 0;
  uint32_t Crc = 0;
  uint32_t Frame450Crc = 0;
};

// One submission group of the reply: a header of 13 bytes (track count, id1,
// id2, freedb id, little-endian) and 9 bytes per track (confidence, CRC,
// frame-450 CRC).
struct TAccurateRipRecord {
  int TrackCount = 0;
  uint32_t Id1 = 0;
  uint32_t Id2 = 0;
  uint32_t FreedbId = 0;
  std::vector<TAccurateRipTrackEntry> Tracks;
};

// The records of a reply; nullopt for an empty, truncated or garbled one (a
// track count of 0, or bytes left over).
std::optional<std::vector<TAccurateRipRecord>> ParseAccurateRipReply(const std::string& bytes);

enum class TAccurateRipMatch { NotPresent, Accurate, NotAccurate };

struct TAccurateRipVerdict {
  TAccurateRipMatch Match = TAccurateRipMatch::NotPresent;
  int Version = 0;     // Accurate: 2 when the v2 sum matched, else 1
  int Confidence = 0;  // Accurate: of the matching records; else of all for the track
};

// Matches track (0-based) of the disc against the records that carry the
// disc's ids and track count; NotPresent when none does.
TAccurateRipVerdict MatchAccurateRip(const std::vector<TAccurateRipRecord>& records,
                                     const TAccurateRipDiscIds& ids, int track, uint32_t v1,
                                     uint32_t v2);

// Where entries are fetched from, e.g. "http://www.accuraterip.com/accuraterip";
// empty (the default) turns lookups off. Set once by the program at start,
// by tests to a local server.
void SetAccurateRipBaseUrl(const std::string& url);
std::string AccurateRipBaseUrl();
inline constexpr const char* kAccurateRipServerUrl = "http://www.accuraterip.com/accuraterip";

// The disc's records, nullopt when there is no usable entry (lookups off, no
// network, HTTP 404 or another error, a bad reply). Replies are kept per
// entry path until ForgetAccurateRipReplies, so the tracks of one rip cost
// one request. Safe on any thread.
std::optional<std::vector<TAccurateRipRecord>> FetchAccurateRip(const TAccurateRipDiscIds& ids,
                                                                const TCddbServerOptions& proxy);
void ForgetAccurateRipReplies();
