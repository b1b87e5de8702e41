// The identity an item carries, and how a document stands against it.
#include <mapi/source_identity.h>

#include <gtest/gtest.h>

namespace {

mapi::SourceIdentity Identity(int64_t modified, uint32_t sequence) {
    return {"replica:852571E80054A1B2", "431A199A6FCC9C0985256A54005041A1", mapi::FileTime{modified}, sequence};
}

}  // namespace

TEST(SourceIdentity, RoundTripsThroughAnItemAndNeedsBothNames) {
    mapi::PropertyBag bag;
    const auto id = Identity(126350158297800000, 0xFFFFFFFFu);  // a sequence past INT32_MAX survives PT_LONG
    mapi::SetSourceIdentity(bag, id);
    EXPECT_EQ(bag.All().size(), 4u);
    EXPECT_EQ(mapi::GetSourceIdentity(bag), id);

    for (auto drop : {mapi::PidLidFerrywellSourceDatabase.Key(), mapi::PidLidFerrywellSourceUnid.Key()}) {
        mapi::PropertyBag partial = bag;
        partial.Erase(drop);
        EXPECT_FALSE(mapi::GetSourceIdentity(partial));
    }
    mapi::PropertyBag untimed = bag;
    untimed.Erase(mapi::PidLidFerrywellSourceModified.Key());
    EXPECT_EQ(mapi::GetSourceIdentity(untimed)->modified.ticks, 0);

    mapi::PropertyBag none;
    mapi::SetSourceIdentity(none, {"", "431A", {}, 1});
    EXPECT_TRUE(none.Empty());
}

TEST(SourceIdentity, ALaterTimeOrAHigherSequenceIsAChange) {
    const auto saved = Identity(1000, 5);
    struct Case {
        int64_t modified;
        uint32_t sequence;
        mapi::SavedState expected;
    } cases[] = {
        {1000, 5, mapi::SavedState::Unchanged},
        {1001, 5, mapi::SavedState::Changed},
        {1000, 6, mapi::SavedState::Changed},
        {999, 5, mapi::SavedState::Unchanged},  // an older export than the one written
        {999, 6, mapi::SavedState::Changed},
        {2000, 4, mapi::SavedState::Changed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.modified) + "/" + std::to_string(c.sequence));
        EXPECT_EQ(mapi::CompareWithSaved(&saved, Identity(c.modified, c.sequence)), c.expected);
    }
    EXPECT_EQ(mapi::CompareWithSaved(nullptr, saved), mapi::SavedState::NotSaved);
}
