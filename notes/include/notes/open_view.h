// Opening one view of the chosen database in a worker's own session, the
// first steps of every list fill, preview and export.
#pragma once

#include <notesapi/notesapi.h>

#include <string>

namespace notes {

// Binds db to the database at path, opens it and returns its view at
// viewIndex, opened. Throws the NotesError of the first failing step.
LNViewFolder OpenViewOf(LNNotesSession& session, const std::string& path, uint32_t viewIndex, LNDatabase& db);

// True for a failure of the database file as a whole: it changed since it
// was opened, or it cannot be read. Every later document would fail the same
// way, so a reader stops and reports it instead of showing empty values.
bool IsDatabaseFailure(const notesapi::NotesError& error);

// The text of an error, for the user.
std::string ErrorText(const notesapi::NotesError& error);

}  // namespace notes
