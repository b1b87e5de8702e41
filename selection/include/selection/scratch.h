// The rules of the selection dialog for the scratch folder ("xTemp") and the
// source name of a chosen database file.
#pragma once

#include <string>

namespace selection {

inline constexpr char kScratchName[] = "xTemp";

// The system's temporary folder with a trailing separator.
std::string SystemTempFolder();
// The scratch path shown when the dialog opens: temp folder + "xTemp".
std::string DefaultScratchPath(const std::string& tempFolder);
// After a database was chosen: temp folder + "xTemp" + separator.
std::string ScratchPathAfterBrowse(const std::string& tempFolder);
// After a scratch location was chosen: location + separator + "xTemp" +
// separator (a location ending with a separator keeps it, so the root gives
// a doubled one).
std::string ScratchPathInFolder(const std::string& folder);
// Creates the folder (and its parents); an existing folder is no error.
// Returns false when it could not be created.
bool CreateScratchFolder(const std::string& path);
// The file's name without folder and extension.
std::string SourceTitle(const std::string& fullPath);
// The path of a search result: its folder text and name joined by exactly
// one separator.
std::string JoinFolderAndName(const std::string& folder, const std::string& name);

}  // namespace selection
