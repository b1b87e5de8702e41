#include <exporting/sink.h>

#include <store/session.h>

namespace exporting {

namespace {
bool RanToItsEnd(const ExportOutcome& outcome) {
    return outcome.end == ExportEnd::Completed || outcome.end == ExportEnd::Stopped;
}
}  // namespace

std::string CompletionMessage(const ExportTotals& totals) {
    if (totals.failed == 0) return "Conversion Completed Successfully!";
    return "Conversion finished, but " + std::to_string(totals.failed) +
           (totals.failed == 1 ? " contact was" : " contacts were") + " not written. See the log.";
}

std::string ClosingNotice(const ExportOutcome& outcome) {
    if (outcome.logonFailed) return store::kLogonFailedText;
    return RanToItsEnd(outcome) ? CompletionMessage(outcome.totals) : std::string();
}

std::string FinishedFolder(const ExportRequest& request, const ExportOutcome& outcome) {
    if (request.IsListExport() || IsStoreKind(request.options.kind) || !RanToItsEnd(outcome) ||
        outcome.outputs.empty())
        return {};
    return outcome.outputs.front();
}

}  // namespace exporting
