// What the contact model derives from its values: the name a contact is
// filed under and the text of its notes.
#include <contacts/file_as.h>

#include <gtest/gtest.h>

namespace {

TEST(ContactNames, FileAsIsLastFirstElseTheFullNameCompanyOrSubject) {
    const struct {
        const char* what;
        std::string full, prefix, first, middle, last, company, subject;
        std::string fullName, fileAs;
    } cases[] = {
        {"both names", "Dr. Jane Doe", "", "Jane", "", "Doe", "", "", "Dr. Jane Doe", "Doe, Jane"},
        {"the last name alone", "", "Dr.", "", "", "Doe", "", "", "Dr. Doe", "Doe"},
        {"the first name alone", "", "", "Jane", "", "", "Acme", "", "Jane", "Jane"},
        {"the name parts make the full name", "", "Dr.", "", "Q", "", "", "", "Dr. Q", "Dr. Q"},
        {"the company", "", "", "", "", "", "Acme", "Card", "", "Acme"},
        {"the subject", "", "", "", "", "", "", "Card", "", "Card"},
        {"nothing", "", "", "", "", "", "", "", "", ""},
    };
    for (const auto& c : cases) {
        contacts::Contact contact;
        contact.fullName = c.full;
        contact.prefix = c.prefix;
        contact.firstName = c.first;
        contact.middleName = c.middle;
        contact.lastName = c.last;
        contact.company = c.company;
        contact.subject = c.subject;
        contact.nickname = "JD";  // never a name to file under
        EXPECT_EQ(contacts::DerivedFullName(contact), c.fullName) << c.what;
        EXPECT_EQ(contacts::FileAs(contact), c.fileAs) << c.what;
    }
}

TEST(ContactNotes, TheTextJoinsItsPartsAndLeavesOutBlankOnes) {
    const struct {
        contacts::Notes notes;
        std::string text;
    } cases[] = {
        {{"Card\r\n\r\n", "Met in 2004.\n", {"Work3Phone: 103", "ContactRating: 5"}},
         "Card\n\nMet in 2004.\n\nMore from Notes:\nWork3Phone: 103\nContactRating: 5"},
        {{" \n", "Met in 2004.", {}}, "Met in 2004."},
        {{"", "", {"Extensions: 100; 101"}}, "More from Notes:\nExtensions: 100; 101"},
        {{"\tindented", " \t", {}}, "\tindented"},
        {{"", "", {}}, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(contacts::NotesText(c.notes), c.text) << c.text;
        // Taken rather than copied, the same text, and the texts let go.
        contacts::Notes taken = c.notes;
        EXPECT_EQ(contacts::NotesText(std::move(taken)), c.text) << c.text;
        EXPECT_TRUE(taken.richText.empty() && taken.comment.empty()) << c.text;
    }
}

}  // namespace
