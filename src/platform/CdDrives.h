#pragma once

// The drives behind the CD drive library, and queries on an open handle
// that the library's ten operations do not cover.

#include "platform/CdDisc.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

struct TCdDriveInfo {
  uint8_t HostAdapter = 0;  // 0 optical drives, 1 disc images
  uint8_t Target = 0;       // position within its group
  uint8_t Lun = 0;
  bool IsImage = false;
  QString Source;      // device path or .cue path
  QByteArray Vendor;   // at most 8 bytes
  QByteArray Product;  // at most 16 bytes
};

// The optical drives libcdio finds, then every *.cue in the program folder's
// discs/ subfolder sorted by name; at most 8 in all.
std::vector<TCdDriveInfo> ListCdDrives();

// Takes a drive's vendor and product from its inquiry data: the vendor as
// reported, padded with blanks to its 8 characters; the product trimmed.
void SetInquiryNames(TCdDriveInfo* drive, const QByteArray& vendor, const QByteArray& model);

// Tests switch the scan for optical drives off so only images count.
void SetCdHardwareScan(bool enabled);

// Media state of the drive behind the handle: empty when it holds no disc;
// it changes when another disc (or a rewritten image) is in it. For an image
// this costs two stats.
QString CdMediaSignature(int32_t handle);

// The checked table of contents of the disc behind the handle, in sector
// numbers, whatever addressing ModifyCDParms chose.
bool CdReadLayout(int32_t handle, TCdLayout* layout);

// True when the drive at that list position holds a disc with an audio track.
bool CdDriveHasAudio(int position);

// Tray control; an image has no tray and both return false.
bool CdOpenTray(int32_t handle);
bool CdCloseTray(int32_t handle);
