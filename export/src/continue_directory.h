// The RecoverData directories of a destination that a tree export to files
// can continue: those an earlier export of the same database to the same
// kind of file left there.
#pragma once

#include <exporting/request.h>

#include <string>
#include <utility>
#include <vector>

namespace exporting {

struct DirectoryCandidates {
    std::vector<std::string> usable;                           // newest first
    std::vector<std::pair<std::string, std::string>> refused;  // path, why
};

// The directories of destination whose names start with "RecoverData"
// (links are not followed). Usable are those that hold a file of kind
// recorded as written from database (an MSG file carrying it, or a line of a
// folder's journal naming a file of the kind), or hold no file at all (a run
// stopped before its first file); the newest (the latest change of a folder
// in it) first. Every other one is refused with the reason.
DirectoryCandidates FindRecoverDataToContinue(const std::string& destination, const std::string& database,
                                              OutputKind kind);

}  // namespace exporting
