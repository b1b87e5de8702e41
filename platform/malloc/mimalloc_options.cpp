// mimalloc's settings for the exporting programs, made before main runs.
//
// Memory freed by the program goes back to the system at once rather than
// after a delay. A contact's value can be tens of megabytes, and an export
// holds it in a few shapes one after another (the document's text, the
// contact's, the file's); with the delay, the pages of each shape were
// still held when the next was made, and an export of one 55 MB value
// peaked at 230 MB instead of 175 MB. An export of 100,000 small contacts
// takes the same time either way. MIMALLOC_RESET_DELAY in the environment
// still overrides this.
#include <mimalloc.h>

namespace {

const bool kReturnFreedMemoryAtOnce = [] {
    mi_option_set_default(mi_option_decommit_delay, 0);
    return true;
}();

}  // namespace
