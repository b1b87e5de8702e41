// What an inner step of the Notes layer returns: nothing when it succeeded,
// else its error, which the public call that asked for the step throws.
// Steps that run under expat's callbacks or on threads of their own return
// their error rather than throw it.
#pragma once

#include <notesapi/lnstatus.h>

#include <optional>

namespace notesapi {

using Failure = std::optional<NotesError>;

}  // namespace notesapi
