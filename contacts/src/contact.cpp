#include <contacts/contact.h>

#include <base/ascii.h>

#include <utility>

namespace contacts {

namespace {

constexpr std::string_view kMoreHeading = "More from Notes:";

std::string_view WithoutTrailingLineEnds(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.remove_suffix(1);
    return text;
}

}  // namespace

bool IsBlank(std::string_view text) { return text.find_first_not_of(" \t\r\n") == std::string_view::npos; }

const std::string* Contact::PhoneOf(PhoneKind kind) const {
    for (const Phone& phone : phones)
        if (phone.kind == kind) return &phone.number;
    return nullptr;
}

const std::vector<std::string>* Contact::Unplaced(std::string_view name) const {
    for (const SourceField& field : unplaced)
        if (field.name.size() == name.size() && base::EqualsIgnoringAsciiCase(field.name, name)) return &field.values;
    return nullptr;
}

std::string NotesText(const Notes& notes) {
    // Views of the parts, joined into one text of its final size: the
    // document's text may be tens of megabytes.
    std::string more;
    if (!notes.moreFromSource.empty()) {
        more = kMoreHeading;
        for (const auto& line : notes.moreFromSource) more.append("\n").append(line);
    }
    std::string_view parts[] = {WithoutTrailingLineEnds(notes.richText), WithoutTrailingLineEnds(notes.comment), more};
    size_t size = 0;
    for (std::string_view part : parts)
        if (!IsBlank(part)) size += part.size() + 2;
    std::string text;
    text.reserve(size);
    for (std::string_view part : parts) {
        if (IsBlank(part)) continue;
        if (!text.empty()) text += "\n\n";
        text += part;
    }
    return text;
}

std::optional<std::string_view> NotesTextInPlace(const Notes& notes) {
    if (!notes.moreFromSource.empty()) return std::nullopt;
    const std::string_view rich = WithoutTrailingLineEnds(notes.richText), comment = WithoutTrailingLineEnds(notes.comment);
    if (IsBlank(comment)) return IsBlank(rich) ? std::string_view() : rich;
    if (IsBlank(rich)) return comment;
    return std::nullopt;
}

std::string NotesText(Notes&& notes) {
    if (!IsBlank(notes.comment) || !notes.moreFromSource.empty()) {
        // Joined anew; the texts go at once rather than with their contact.
        std::string text = NotesText(std::as_const(notes));
        std::string().swap(notes.richText);
        std::string().swap(notes.comment);
        return text;
    }
    std::string text = std::move(notes.richText);
    notes.richText.clear();
    notes.comment.clear();  // blank
    text.resize(WithoutTrailingLineEnds(text).size());
    if (IsBlank(text)) text.clear();
    return text;
}

}  // namespace contacts
