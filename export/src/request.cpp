#include <exporting/export_job.h>
#include <exporting/export_run.h>

#include <array>

namespace exporting {

namespace {
constexpr std::array<std::pair<OutputKind, std::string_view>, 11> kModes{{
    {OutputKind::Pst, "pst"}, {OutputKind::Profile, "pst1"}, {OutputKind::Msg, "msg"},
    {OutputKind::Html, "html"}, {OutputKind::Txt, "txt"}, {OutputKind::Doc, "doc"},
    {OutputKind::Rtf, "rtf"}, {OutputKind::Mhtml, "mhtml"}, {OutputKind::Pdf, "pdf"},
    {OutputKind::Vcf, "vcf"}, {OutputKind::Csv, "csv"},
}};
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

std::string CompletionMessage(const ExportTotals& totals) {
    if (totals.failed == 0) return "Conversion Completed Successfully!";
    return FailureMessage(totals.failed);
}

}  // namespace exporting
