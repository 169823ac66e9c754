#pragma once

#include <QString>

// Addresses the help menu and the dialogs open. Trackwell has no web site of
// its own: its home page is the help page beside the program.

// The help page beside the program (a local file path).
QString HelpFilePath();
// The product's home page: the help page, as a file URL.
QString HomePageAddress();

// Where the ASPI layer named in the no-device hint can be had: its maker's
// site, and the archived ForceASPI download (the original site is gone).
inline constexpr const char* kAspiMakerUrl = "https://www.adaptec.com/";
inline constexpr const char* kAspiMakerText = "www.adaptec.com";
inline constexpr const char* kForceAspiUrl =
    "https://web.archive.org/web/2005/http://www.tweakforce.com/";
