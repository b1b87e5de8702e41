#include <exporting/request.h>

#include <carddav/url.h>

#include <algorithm>
#include <array>

namespace exporting {

namespace {
constexpr std::array<std::pair<OutputKind, std::string_view>, 12> kModes{{
    {OutputKind::Pst, "pst"}, {OutputKind::Profile, "pst1"}, {OutputKind::Msg, "msg"},
    {OutputKind::Html, "html"}, {OutputKind::Txt, "txt"}, {OutputKind::Doc, "doc"},
    {OutputKind::Rtf, "rtf"}, {OutputKind::Mhtml, "mhtml"}, {OutputKind::Pdf, "pdf"},
    {OutputKind::Vcf, "vcf"}, {OutputKind::Csv, "csv"}, {OutputKind::CardDav, "carddav"},
}};

RequestCheck Problem(RequestProblem problem, std::string text) { return {problem, std::move(text)}; }
}  // namespace

std::string_view ModeString(OutputKind kind) {
    for (const auto& [k, mode] : kModes)
        if (k == kind) return mode;
    return "";
}

std::optional<OutputKind> KindFromMode(std::string_view mode) {
    for (const auto& [k, m] : kModes)
        if (m == mode) return k;
    return std::nullopt;
}

bool IsStoreKind(OutputKind kind) { return kind == OutputKind::Pst || kind == OutputKind::Profile; }

bool KindAllowed(OutputKind kind, bool listExport) {
    return !listExport || (kind != OutputKind::Doc && kind != OutputKind::Mhtml);
}

RequestCheck CheckRequest(const ExportRequest& request) {
    const ExportOptions& o = request.options;
    using P = RequestProblem;
    if (request.IsListExport() && !request.folders.empty())
        return Problem(P::TwoSelections, "An export takes either folders or listed entries, not both");
    if (!KindAllowed(o.kind, request.IsListExport()))
        return Problem(P::KindNotAllowed, "the selected-items export has no kind " + std::string(ModeString(o.kind)));
    if (o.destination.empty()) return Problem(P::NoDestination, "Please select output file locations..!");
    if (o.namingOn && std::find(kNamingConventions.begin(), kNamingConventions.end(), o.naming) == kNamingConventions.end())
        return Problem(P::UnknownNaming, "unknown naming pattern " + o.naming);
    if (o.splitPst && o.kind != OutputKind::Pst) return Problem(P::SplitWithoutPst, "Split PST goes with new PST files only");
    if (o.splitPst && o.splitSize == 0) return Problem(P::NoSplitSize, "Split PST needs a size");
    if (o.filterOn && !(o.filterStart.valid && o.filterEnd.valid))
        return Problem(P::BadFilterDates, "filter dates are written 'YYYY-MM-DD HH:MM:SS'");
    if (o.kind == OutputKind::CardDav) {
        std::string why;
        if (!carddav::ParseUrl(o.destination, &why)) return Problem(P::BadAddressBook, "the address book's URL: " + why);
        if (o.user.empty()) return Problem(P::NoUser, "an address book needs a user name");
    }
    return {};
}

}  // namespace exporting
