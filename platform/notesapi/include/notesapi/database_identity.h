// The name of a database that stays the same from one run to the next, for
// telling which database something written earlier came from.
#pragma once

#include <notesapi/notesapi.h>

#include <string>

namespace notesapi {

// "replica:" followed by the replica id (16 upper-case hexadecimal digits),
// which every replica and every later export of the database shares; for an
// export that names no replica id, "file:" followed by 16 hexadecimal digits
// that stand for the file's absolute path (another path is another
// database). Empty when the database is not open.
std::string DatabaseIdentity(const LNDatabase& db);

}  // namespace notesapi
