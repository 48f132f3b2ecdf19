#pragma once
// platform/RunFiles.h — the rules for the files the operator keeps in the
// data folder: which typed names may become file names, how a folder's files
// are listed and paged, which companions go with a run file, and how a set of
// files is written so that a failure never destroys what was saved before.
//
// Names here are UTF-8 without a folder; folders are device paths ending in a
// backslash ("\NandFlash\Data\").

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Files.h"

namespace platform {

// Names a file list page holds.
constexpr int kNamesPerPage = 17;

// Longest name (before its extension) the file name screen lets the operator
// type, in characters; far below the host's 255 bytes with any extension.
constexpr int kMaxTypedNameLength = 40;

// True when a typed name can become a file in the data folder: not empty, at
// most kMaxTypedNameLength characters, no "\", "/", ":", no "..", none of
// * ? " < > |, no control character, neither starting nor ending in a blank
// and not ending in "." (names the unit's file system cannot hold), and not
// starting with "." (hidden on the host).
bool IsUsableFileName(std::u16string_view name);

// Every file of a folder that matches a wildcard pattern ("\NandFlash\Data\*.corr"),
// sorted by name comparing UTF-16 code units, so that upper case sorts before
// lower case. Folders and the temporaries of WriteFileSet are left out.
std::vector<FindData> ListFiles(std::string_view pattern);

// Pages of a list of count names: at least 1.
int PageCount(int count);
// First index and count of the names on page (0 ... PageCount - 1, clamped).
struct PageSpan {
    int first = 0;
    int count = 0;
};
PageSpan PageOf(int count, int page);

// The companions of a run file: for a name ending in ".corr" (any case) the
// recording "_corr.wav" and the pictures "_corr.png" and "_corr.jpg" on its
// stem ("RUN1.corr" gives "RUN1_corr.wav" ...). Any other name, also one with
// ".corr" in its middle ("A.corr.bak"), has none.
std::vector<std::string> CompanionNames(std::string_view name);

// Deletes folder + name and then its companions (a missing companion is no
// error). False, with the companions kept, when the named file itself could
// not be deleted (read-only, missing).
bool DeleteWithCompanions(std::string_view folder, std::string_view name);

// The four files of a saved run named stem in folder.
struct RunFilePaths {
    std::string corr;  // folder + stem + ".corr"
    std::string wav;   // + "_corr.wav"
    std::string png;   // + "_corr.png"
    std::string jpg;   // + "_corr.jpg"
};
RunFilePaths RunFileNames(std::string_view folder, std::string_view stem);

// One file of a set: its device path and the function that writes its bytes
// (false, or an exception, means the content is incomplete).
struct FileWrite {
    std::string path;
    std::function<bool(std::ostream&)> write;
};

// Writes the files as one set (platform/DurableWrite.h): every file is
// replaced or none. Nothing is written when any file is protected (read-only,
// or a folder) or any write fails (writer false or throwing, full medium, no
// permission); the old files then stay as they were with no temporary. The
// files share one folder. One result per file, in order, all the same.
std::vector<bool> WriteFileSet(const std::vector<FileWrite>& files);

// At start-up: completes the sets a power cut interrupted during their
// renames and removes every other temporary a cut-short write left in a
// folder (device path ending in a backslash); they are never listed and only
// hold space. Returns how many temporaries were removed.
int RemoveUnfinishedWrites(std::string_view folder);

}  // namespace platform
