// Placeholder until the renderings land; every SaveAs reports a clear error.
#include <store/conversions.h>
#include <store/error.h>

namespace store {
void RenderContact(const mapi::PropertyBag&, const std::string&, int type) {
    throw StoreError(ErrorCode::Failed, "SaveAs type " + std::to_string(type) + " is not available");
}
}  // namespace store
