#include <registry/link_policy.h>

#include <gtest/gtest.h>

using registry::MayFollowLink;

TEST(LinkPolicy, FollowsOnlyOwnLinksAndRootsLinksInRootsFolders) {
    struct Case {
        uid_t link, directory, user;
        bool follow;
    };
    const Case cases[] = {
        {1000, 1000, 1000, true},   // the user's own link in their own prefix
        {1000, 0, 1000, true},      // their own link anywhere
        {0, 0, 1000, true},         // made by root in a folder of root's
        {0, 1000, 1000, false},     // root's link moved into a folder someone else controls
        {1000, 1000, 0, false},     // root on someone else's prefix: that owner's link
        {1001, 1000, 1000, false},  // a third user's link
        {1000, 1000, 1001, false},
    };
    for (const auto& c : cases) {
        struct stat link {}, dir {};
        link.st_uid = c.link;
        dir.st_uid = c.directory;
        EXPECT_EQ(MayFollowLink(link, dir, c.user), c.follow) << c.link << " " << c.directory << " " << c.user;
    }
}
