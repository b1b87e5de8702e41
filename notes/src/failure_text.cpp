#include <notes/failure_text.h>

#include <exception>
#include <new>

namespace notes {

std::string CurrentFailureText() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return "Not enough memory";
    } catch (const std::exception& e) {
        const std::string what = e.what();
        return what.empty() ? "An unnamed error" : what;
    } catch (...) {
        return "An unknown error";
    }
}

}  // namespace notes
