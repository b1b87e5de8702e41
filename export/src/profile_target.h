// A folder of the default profile, picked by the user: each exported view
// becomes a folder below it; a list
// export writes into the picked folder itself. With "Ignore already saved
// message" the contacts an earlier run saved in a folder are left there.
#pragma once

#include "store_target.h"

namespace exporting {

class ProfileTarget : public StoreTarget {
public:
    using StoreTarget::StoreTarget;

    bool Open() override { return true; }
    std::string PrepareFolder(const TargetFolder& folder) override;

protected:
    std::string StorePath(const std::string& path) const override;
};

}  // namespace exporting
