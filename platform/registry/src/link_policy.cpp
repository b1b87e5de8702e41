#include <registry/link_policy.h>

namespace registry {

bool MayFollowLink(const struct stat& link, const struct stat& directory, uid_t user) {
    if (link.st_uid == user) return true;
    return link.st_uid == 0 && directory.st_uid == 0;
}

}  // namespace registry
