#include "item_file_target.h"

#include "run_context.h"

#include <exporting/naming.h>

#include <base/atomic_file.h>
#include <store/conversions.h>
#include <store/distlist_conversions.h>
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

// Makes the MSG file at path with make(path), lets fill set its values, and
// saves it carrying source: Written, or Failed (logged).
template <typename Make, typename Fill>
WriteResult WriteMsgFile(RunContext& run, const std::string& path, const mapi::SourceIdentity& source, Make make,
                         Fill fill) {
    try {
        // Every item starts new: a file left at its path would otherwise
        // lend it its properties.
        RemoveFile(path);
        auto item = make(path);
        if (!item) throw store::StoreError(store::ErrorCode::Failed, "no item was made");
        fill(*item);
        store::SetSourceIdentity(*item, source);
        item->Save();
        return WriteResult::Written;
    } catch (const store::StoreError& e) {
        run.LogError("Cannot write " + path + ": " + e.what());
        return WriteResult::Failed;
    }
}

// The file of a kind other than MSG made from item once fill has set its
// values: render(properties, SaveAs type) gives its rendering, and a PDF is
// laid out from the HTML one, asking stop as it goes.
template <typename Item, typename Fill, typename Render>
std::unique_ptr<PreparedFile> RenderFile(OutputKind kind, Item item, Fill fill, Render render,
                                         const std::function<bool()>& stop) {
    auto file = std::make_unique<PreparedFile>();
    try {
        fill(item);
        if (kind != OutputKind::Pdf) {
            file->bytes = render(item.Properties(), SaveAsType(kind));
            return file;
        }
        // A long contact takes a while to lay out: a stop is honoured
        // within it rather than after it.
        switch (store::RenderHtmlToPdfBytes(render(item.Properties(), store::olHTML), &file->bytes,
                                            stop)) {
        case store::PdfOutcome::Written: break;
        case store::PdfOutcome::Stopped: file->result = WriteResult::Stopped; break;
        case store::PdfOutcome::Failed:
            file->result = WriteResult::Failed;
            file->error = "the PDF cannot be written";
            break;
        }
    } catch (const store::StoreError& e) {
        file->result = WriteResult::Failed;
        file->error = e.what();
    }
    return file;
}

// Writes the file made at path: Written, Failed (logged) or Stopped.
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

std::unique_ptr<PreparedFile> ItemFileTarget::RenderContact(const ContactRecord& contact, const std::string& subject,
                                                           const std::function<bool()>& stop) const {
    const bool fileAsNamed = NamedByFileAs(run_.options);
    std::string fileAs;
    auto file = RenderFile(
        run_.options.kind, store::ContactItem(nullptr),
        [&](store::ContactItem& item) {
            ApplyContactTable(item, contact, subject);
            if (fileAsNamed) fileAs = item.FileAs();
        },
        store::RenderContactToString, stop);
    file->fileAs = std::move(fileAs);
    return file;
}

std::unique_ptr<PreparedFile> ItemFileTarget::Prepare(const ContactRecord& contact,
                                                     const std::function<bool()>& stop) const {
    if (run_.options.filterOn || run_.options.kind == OutputKind::Msg) return nullptr;
    return RenderContact(contact, Subject(contact), stop);
}

WriteResult ItemFileTarget::WriteFile(const ContactRecord& contact, const std::string& subject, uint64_t entry,
                                      const mapi::SourceIdentity& source, const Earlier* earlier,
                                      const PreparedFile* prepared) {
    const ExportOptions& o = run_.options;
    // Not made ahead (the message filter is on): made now.
    std::unique_ptr<PreparedFile> madeHere;
    if (!prepared && o.kind != OutputKind::Msg) {
        madeHere = RenderContact(contact, subject, [this] { return run_.StopRequested(); });
        prepared = madeHere.get();
    }
    const std::string fileAs =
        !NamedByFileAs(o) ? std::string() : prepared ? prepared->fileAs : FileAsText(contact, subject);
    const std::string path = PathFor(earlier, BaseName(subject, contact.from, "", fileAs, o.namingOn, o.naming), entry);
    const WriteResult written =
        prepared ? WritePrepared(run_, path, *prepared)
                 : WriteMsgFile(
                       run_, path, source,
                       [](const std::string& at) {
                           return store::CreateMessageFromMsgFile(at, std::string(mapi::kContactMessageClass),
                                                                  store::kMsgFileFormat);
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
    auto fill = [&](store::DistListItem& list) { ApplyGroup(list, group); };
    WriteResult written;
    if (o.kind == OutputKind::Msg) {
        written = WriteMsgFile(
            run_, path, source,
            [](const std::string& at) {
                return store::CreateDistListFromMsgFile(at, std::string(mapi::kDistListMessageClass),
                                                        store::kMsgFileFormat);
            },
            fill);
    } else {
        const auto file = RenderFile(o.kind, store::DistListItem(nullptr), fill, store::RenderDistListToString,
                                     [this] { return run_.StopRequested(); });
        written = WritePrepared(run_, path, *file);
    }
    if (written == WriteResult::Written) Written(path, source);
    return written;
}

}  // namespace exporting
