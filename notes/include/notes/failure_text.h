// The text of a failure that ends a worker or a command, whatever was thrown:
// a standard exception (store, PST, Notes, file errors) says what().
#pragma once

#include <string>

namespace notes {

// Call only inside a catch block: describes the exception being handled.
std::string CurrentFailureText();

}  // namespace notes
