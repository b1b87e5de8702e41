// The compact forms the index keeps for a million documents give back what
// went in.
#include "index.h"
#include "pieces.h"

#include <gtest/gtest.h>

namespace {

TEST(IndexPacking, DatesComeBackWithTheirPartsAndZone) {
    for (const char* text : {"20010522T103636,81-04", "19750314", "T103636", "20240102T030405Z", "99991231T235959,99+1400",
                             "00010101T000000-0930"}) {
        SCOPED_TRACE(text);
        const LNDatetime dt = *LNDatetime::FromDxl(text);
        const LNDatetime back = notesapi::PackedDatetime(dt).Unpack();
        EXPECT_EQ(back.Text(), dt.Text());
        EXPECT_EQ(back.ToFileTime(), dt.ToFileTime());
        EXPECT_EQ(back.HasDate(), dt.HasDate());
        EXPECT_EQ(back.HasTime(), dt.HasTime());
        EXPECT_EQ(back.HasZone(), dt.HasZone());
        EXPECT_EQ(back.zoneMinutes, dt.zoneMinutes);
        EXPECT_EQ(back.hundredth, dt.hundredth);
    }
    EXPECT_FALSE(notesapi::PackedDatetime().Unpack().IsValid());
}

TEST(IndexPacking, TextsAcrossManyPiecesReadBackAndOversizedOnesAreRefused) {
    notesapi::TextArena arena;
    std::vector<std::pair<notesapi::TextArena::Span, std::string>> kept;
    // Sizes that end pieces early and late, up to the largest text.
    for (size_t i = 0; i < 200; ++i) {
        const size_t size = i % 7 == 0 ? notesapi::TextArena::kMaxText : i * 131 % 5000;
        std::string text(size, char('a' + i % 26));
        if (!text.empty()) text.back() = char('0' + i % 10);
        kept.emplace_back(arena.Add(text), text);
    }
    for (const auto& [span, text] : kept) ASSERT_EQ(arena.At(span), text);
    EXPECT_THROW(arena.Add(std::string(notesapi::TextArena::kMaxText + 1, 'x')), std::length_error);
}

TEST(IndexPacking, RecordsAcrossPiecesKeepTheirValuesAndPlaces) {
    notesapi::Pieces<notesapi::DocRecord> docs;
    const size_t count = 2 * notesapi::Pieces<notesapi::DocRecord>::kPerPiece + 3;
    const notesapi::DocRecord* first = nullptr;
    for (size_t i = 0; i < count; ++i) {
        notesapi::DocRecord d;
        d.begin = (uint64_t(1) << 33) + i;  // offsets past 4 GB
        d.size = notesapi::DocRecord::kSizeUnknown - uint32_t(i);
        docs.push_back(d);
        docs.back().noteId = uint32_t(i);
        if (i == 0) first = &docs[0];
    }
    ASSERT_EQ(docs.size(), count);
    EXPECT_EQ(&docs[0], first);  // growing moved nothing
    for (size_t i : {size_t(0), notesapi::Pieces<notesapi::DocRecord>::kPerPiece - 1,
                     notesapi::Pieces<notesapi::DocRecord>::kPerPiece, count - 1}) {
        EXPECT_EQ(docs[i].End(), (uint64_t(1) << 33) + i + notesapi::DocRecord::kSizeUnknown - i);
        EXPECT_EQ(docs[i].noteId, i);
    }
}

}  // namespace
