#include "item_file_target.h"

#include "run_context.h"

#include <exporting/naming.h>

#include <base/atomic_file.h>
#include <store/conversions.h>
#include <store/msg_file.h>
#include <store/pdf.h>
#include <store/saved_items.h>

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
// or renders it to path as the kind asks; an MSG file carries source.
// Written, Failed (logged), or Stopped when a stop request ended a PDF's
// layout (nothing is written).
template <typename Make, typename Fill>
WriteResult WriteItemFile(RunContext& run, const std::string& path, const mapi::SourceIdentity& source, Make make,
                          Fill fill) {
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
            store::SetSourceIdentity(*item, source);
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

// Writes the file Prepare made at path: Written, Failed (logged) or Stopped.
WriteResult WritePrepared(RunContext& run, const std::string& path, const PreparedFile& prepared) {
    if (prepared.result == WriteResult::Written) {
        try {
            base::WriteFileAtomically(path, prepared.bytes);
        } catch (const base::IoError& e) {
            run.LogError("Cannot write " + path + ": " + e.what());
            return WriteResult::Failed;
        }
    } else if (prepared.result == WriteResult::Failed) {
        run.LogError("Cannot write " + path + ": " + prepared.error);
    }
    return prepared.result;
}

bool NamedByFileAs(const ExportOptions& o) { return o.namingOn && o.naming == kFileAsNaming; }

// The File As text the contact's item is saved with. A value the item
// refuses makes writing the item fail too, and that failure is logged there.
std::string FileAsText(const ContactRecord& contact, const std::string& subject) {
    store::ContactItem item(nullptr);
    try {
        ApplyContactTable(item, contact, subject);
    } catch (const store::StoreError&) {
        return {};
    }
    return item.FileAs();
}

}  // namespace

std::string ItemFileTarget::PathFor(const Earlier* earlier, const std::string& base, uint64_t entry) {
    return earlier ? ClaimEarlier(earlier->file) : ClaimPath(ItemFilePath(dir_, base, entry, run_.options.kind));
}

void ItemFileTarget::Written(const std::string& path, const mapi::SourceIdentity& source) {
    if (run_.options.kind != OutputKind::Msg) Record(source, {NameIn(path)});
}

std::unique_ptr<PreparedFile> ItemFileTarget::Prepare(const ContactRecord& contact,
                                                     const std::function<bool()>& stop) const {
    const OutputKind kind = run_.options.kind;
    if (run_.options.filterOn || kind == OutputKind::Msg) return nullptr;
    auto prepared = std::make_unique<PreparedFile>();
    try {
        store::ContactItem item(nullptr);
        ApplyContactTable(item, contact, Subject(contact));
        if (kind != OutputKind::Pdf) {
            prepared->bytes = store::RenderContactToString(item.Properties(), SaveAsType(kind));
            return prepared;
        }
        // A long contact takes a while to lay out: a stop is honoured
        // within it rather than after it.
        const std::string html = notes::getImage(store::RenderContactToString(item.Properties(), store::olHTML));
        switch (store::RenderHtmlToPdfBytes(html, &prepared->bytes, stop)) {
        case store::PdfOutcome::Written: break;
        case store::PdfOutcome::Stopped: prepared->result = WriteResult::Stopped; break;
        case store::PdfOutcome::Failed:
            prepared->result = WriteResult::Failed;
            prepared->error = "the PDF cannot be written";
            break;
        }
    } catch (const store::StoreError& e) {
        prepared->result = WriteResult::Failed;
        prepared->error = e.what();
    }
    return prepared;
}

WriteResult ItemFileTarget::WriteFile(const ContactRecord& contact, const std::string& subject, uint64_t entry,
                                      const mapi::SourceIdentity& source, const Earlier* earlier,
                                      const PreparedFile* prepared) {
    const ExportOptions& o = run_.options;
    const std::string fileAs = NamedByFileAs(o) ? FileAsText(contact, subject) : std::string();
    const std::string path = PathFor(earlier, BaseName(subject, contact.from, "", fileAs, o.namingOn, o.naming), entry);
    if (prepared) {
        const WriteResult written = WritePrepared(run_, path, *prepared);
        if (written == WriteResult::Written) Written(path, source);
        return written;
    }
    const WriteResult written = WriteItemFile(
        run_, path, source,
        [](const std::string& at) {
            return store::CreateMessageFromMsgFile(at, std::string(mapi::kContactMessageClass), store::kMsgFileFormat);
        },
        [&](store::ContactItem& item) { ApplyContactTable(item, contact, subject); });
    if (written == WriteResult::Written) Written(path, source);
    return written;
}

WriteResult ItemFileTarget::WriteList(const GroupRecord& group, uint64_t entry, const mapi::SourceIdentity& source) {
    const Earlier* earlier = nullptr;
    if (auto result = LeftOut(group.hasAttachments, source, &earlier)) return *result;
    if (!LogResolution(run_, group)) return WriteResult::Failed;
    // The ListName is the subject and the File As text; a group has no From.
    const ExportOptions& o = run_.options;
    const std::string& name = group.document.name;
    const std::string path = PathFor(earlier, BaseName(name, "", "", name, o.namingOn, o.naming), entry);
    const WriteResult written = WriteItemFile(
        run_, path, source,
        [](const std::string& at) {
            return store::CreateDistListFromMsgFile(at, std::string(mapi::kDistListMessageClass), store::kMsgFileFormat);
        },
        [&](store::DistListItem& list) { ApplyGroup(list, group); });
    if (written == WriteResult::Written) Written(path, source);
    return written;
}

}  // namespace exporting
