// The ordered table of format drivers: the only place that lists them.
//
// Reading probes the drivers in this order and takes the first that recognises the file,
// so narrow, content-based signatures come before broad ones:
//   PLVS       title line containing both "ZEPH" and "QX": so specific that it goes first
//   OPUS       4-byte binary magic number
//   SPC        two signature bytes (0 and "M"): binary, but weaker than OPUS's magic; other
//              SPC variants only under a .spc name with a plausible header, to refuse them
//   NASA Ames  text whose first two integers are a line count and a known format index
//   RGD        magic word after a free-text history block; must not shadow the above
//   MLT        claims any file named .mlt .dat .sum or .asc without reading it (otherwise
//              a "#MLT" start), so it comes after every driver that looks inside the file
//   VORNFORM   raw instrument records, recognised only by a full trial open: last resort
// Only drivers that are built in appear, keeping this relative order. Writing always
// uses the RGD driver.
#include "driver.h"

extern "C" {

const Methods* const FileType[] = {
    &PLOVS_Methods,
    &OPUS_Methods,
    &SPC_Methods,
    &NASA_Methods,
    &RGD_Methods,
    &MLT_Methods,
    &VORNFORM_Methods,
    nullptr,
};

const int FileTypesSupportedCount = static_cast<int>(sizeof FileType / sizeof FileType[0]) - 1;

// The name of each driver's format, in the same order as FileType.
const char* const FileTypeName[] = {
    "PLVS",
    "OPUS",
    "SPC",
    "NASA Ames",
    "RGD",
    "MLT",
    "raw instrument",
    nullptr,
};

static_assert(sizeof FileTypeName / sizeof FileTypeName[0] == sizeof FileType / sizeof FileType[0],
              "every driver in FileType has a name in FileTypeName");

const Methods* const WritableFileType = &RGD_Methods;

}  // extern "C"
