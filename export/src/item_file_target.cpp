#include "item_file_target.h"

#include "run_context.h"

#include <exporting/naming.h>

#include <base/atomic_file.h>
#include <store/msg_file.h>
#include <store/pdf.h>

#include <sys/stat.h>
#include <unistd.h>

namespace exporting {

namespace {

int SaveAsType(OutputKind kind) {
    switch (kind) {
    case OutputKind::Txt: return store::olTXT;
    case OutputKind::Rtf: return store::olRTF;
    case OutputKind::Doc: return store::olDoc;
    case OutputKind::Vcf: return store::olVCard;
    case OutputKind::Mhtml: return store::olMHTML;
    default: return store::olHTML;
    }
}

// Removes a file (not a directory) at path, so that nothing of it survives
// into the item made there.
void RemoveFile(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) ::unlink(path.c_str());
}

// The HTML rendering a PDF is made from.
std::string ReadRendering(const std::string& path) {
    try {
        return base::ReadWholeFile(path);
    } catch (const base::IoError& e) {
        throw store::StoreError(store::ErrorCode::Failed, e.what());
    }
}

// Makes the item with make(item path) at the MSG output file, or at the
// scratch item a rendering is made from, lets fill set its values, and saves
// or renders it to path as the kind asks: Written, Failed (logged), or
// Stopped when a stop request ended a PDF's layout (nothing is written).
template <typename Make, typename Fill>
WriteResult WriteItemFile(RunContext& run, const std::string& path, Make make, Fill fill) {
    const OutputKind kind = run.options.kind;
    const std::string& scratch = run.request.scratchFolder;
    try {
        // Every item starts new: a file left at the item's path would
        // otherwise lend it its properties.
        const std::string itemPath = kind == OutputKind::Msg ? path : scratch + "/temp.msg";
        RemoveFile(itemPath);
        auto item = make(itemPath);
        if (!item) throw store::StoreError(store::ErrorCode::Failed, "no item was made");
        fill(*item);
        if (kind == OutputKind::Msg) {
            item->Save();
        } else if (kind == OutputKind::Pdf) {
            const std::string html = scratch + "/temp.html";
            item->SaveAs(html, store::olHTML);
            // A long contact takes a while to lay out: a stop is honoured
            // within it rather than after it.
            switch (store::RenderHtmlToPdf(notes::getImage(ReadRendering(html)), path,
                                           [&run] { return run.StopRequested(); })) {
            case store::PdfOutcome::Written: break;
            case store::PdfOutcome::Stopped: return WriteResult::Stopped;
            case store::PdfOutcome::Failed: throw store::StoreError(store::ErrorCode::Failed, "the PDF cannot be written");
            }
        } else {
            item->SaveAs(path, SaveAsType(kind));
        }
        return WriteResult::Written;
    } catch (const store::StoreError& e) {
        run.LogError("Cannot write " + path + ": " + e.what());
        return WriteResult::Failed;
    }
}

}  // namespace

WriteResult ItemFileTarget::WriteFile(const ContactRecord& contact, const std::string& subject, uint64_t entry) {
    const ExportOptions& o = run_.options;
    const std::string base = BaseName(subject, contact.from, "", o.namingOn, o.naming);
    return WriteItemFile(
        run_, ClaimPath(ItemFilePath(dir_, base, entry, o.kind)),
        [](const std::string& at) {
            return store::CreateMessageFromMsgFile(at, std::string(mapi::kContactMessageClass), store::kMsgFileFormat);
        },
        [&](store::RDOContactItem& item) { ApplyContactTable(item, contact, subject); });
}

WriteResult ItemFileTarget::WriteList(const GroupRecord& group, uint64_t entry) {
    if (FilteredOut(group.hasAttachments)) return WriteResult::Skipped;
    if (!LogResolution(run_, group)) return WriteResult::Failed;
    // The ListName is the subject; a group has no From.
    const ExportOptions& o = run_.options;
    const std::string base = BaseName(group.document.name, "", "", o.namingOn, o.naming);
    return WriteItemFile(
        run_, ClaimPath(ItemFilePath(dir_, base, entry, o.kind)),
        [](const std::string& at) {
            return store::CreateDistListFromMsgFile(at, std::string(mapi::kDistListMessageClass), store::kMsgFileFormat);
        },
        [&](store::RDODistListItem& list) { ApplyGroup(list, group); });
}

}  // namespace exporting
