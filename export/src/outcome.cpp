#include <exporting/sink.h>

#include <store/session.h>

namespace exporting {

namespace {
bool RanToItsEnd(const ExportOutcome& outcome) {
    return outcome.end == ExportEnd::Completed || outcome.end == ExportEnd::Stopped || outcome.end == ExportEnd::DiskFull;
}

std::string Contacts(uint64_t n) { return std::to_string(n) + (n == 1 ? " contact" : " contacts"); }

// "N contacts written, M not written.": of a run that ended before its last contact.
std::string WrittenAndNot(const ExportOutcome& outcome) {
    const ExportTotals& t = outcome.totals;
    const uint64_t notWritten = t.skipped + t.failed + outcome.notReached;
    return Contacts(t.written) + " written, " + std::to_string(notWritten) + " not written.";
}

// Why the run ended before its last contact, with its counts; empty when it did not.
std::string EndedEarlyMessage(const ExportOutcome& outcome) {
    if (outcome.end == ExportEnd::Stopped) return "Conversion stopped by the user: " + WrittenAndNot(outcome);
    if (outcome.end == ExportEnd::DiskFull) return "The disk is full: " + outcome.fullDisk + ". " + WrittenAndNot(outcome);
    return {};
}
}  // namespace

std::string CompletionMessage(const ExportTotals& totals) {
    if (totals.failed == 0) return "Conversion Completed Successfully!";
    return "Conversion finished, but " + std::to_string(totals.failed) +
           (totals.failed == 1 ? " contact was" : " contacts were") + " not written. See the log.";
}

std::string NotRecordedNotice(const ExportOutcome& outcome) {
    const uint64_t n = outcome.notRecorded;
    if (n == 0) return {};
    return std::to_string(n) + (n == 1 ? " contact was" : " contacts were") +
           " written but not recorded as written; a resumed export writes them again. See the log.";
}

std::string CountsLine(const ExportTotals& totals) {
    return "Written: " + std::to_string(totals.written) + ", skipped: " + std::to_string(totals.skipped) +
           ", failed: " + std::to_string(totals.failed);
}

std::string ClosingNotice(const ExportOutcome& outcome) {
    if (outcome.logonFailed) return store::kLogonFailedText;
    if (const std::string early = EndedEarlyMessage(outcome); !early.empty()) return early;
    return RanToItsEnd(outcome) ? CompletionMessage(outcome.totals) : std::string();
}

std::string EndOfRunMessage(const ExportOutcome& outcome) {
    std::string what;
    if (outcome.logonFailed) what = store::kLogonFailedText;
    else if (outcome.end == ExportEnd::Completed) what = CompletionMessage(outcome.totals);
    else if (outcome.end == ExportEnd::Stopped || outcome.end == ExportEnd::DiskFull) what = EndedEarlyMessage(outcome);
    else if (outcome.end == ExportEnd::BadOptions) return {};
    else what = "Conversion failed, nothing was written: " + outcome.error;
    if (const std::string notice = NotRecordedNotice(outcome); !notice.empty()) what += "\n" + notice;
    return what + "\n\n" + CountsLine(outcome.totals);
}

std::string FinishedFolder(const ExportRequest& request, const ExportOutcome& outcome) {
    if (request.IsListExport() || IsStoreKind(request.options.kind) || !RanToItsEnd(outcome) ||
        outcome.outputs.empty())
        return {};
    return outcome.outputs.front();
}

}  // namespace exporting
