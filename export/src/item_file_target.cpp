#include "item_file_target.h"

#include "run_context.h"

#include <exporting/naming.h>

#include <base/atomic_file.h>
#include <contacts/file_as.h>
#include <exporting/contact_item_fill.h>
#include <renderings/render.h>
#include <store/msg_file.h>
#include <store/pdf.h>
#include <store/saved_items.h>

#include <sys/stat.h>
#include <unistd.h>

namespace exporting {

namespace {

renderings::Format FormatOf(OutputKind kind) {
    switch (kind) {
    case OutputKind::Txt: return renderings::Format::Text;
    case OutputKind::Rtf: return renderings::Format::Rtf;
    case OutputKind::Doc: return renderings::Format::Doc;
    case OutputKind::Vcf: return renderings::Format::VCard;
    case OutputKind::Mhtml: return renderings::Format::Mhtml;
    default: return renderings::Format::Html;
    }
}

// Removes a file (not a directory) at path, so that nothing of it survives
// into the item made there.
void RemoveFile(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) ::unlink(path.c_str());
}

// Makes the MSG file at path with make(path), lets fill set its values (its
// origin among them), and saves it: Written, or Failed (logged).
template <typename Make, typename Fill>
WriteResult WriteMsgFile(RunContext& run, const std::string& path, Make make, Fill fill) {
    try {
        // Every item starts new: a file left at its path would otherwise
        // lend it its properties.
        RemoveFile(path);
        auto item = make(path);
        if (!item) throw store::StoreError(store::ErrorCode::Failed, "no item was made");
        fill(*item);
        item->Save();
        return WriteResult::Written;
    } catch (const store::StoreError& e) {
        run.LogError("Cannot write " + path + ": " + e.what());
        if (e.Code() == store::ErrorCode::DiskFull) run.NoteDiskFull(path);
        return WriteResult::Failed;
    }
}

// The file of a kind other than MSG: render(format) gives its rendering, and
// a PDF is laid out from the HTML one, asking stop as it goes.
template <typename Render>
std::unique_ptr<PreparedFile> RenderFile(OutputKind kind, Render render, const std::function<bool()>& stop) {
    auto file = std::make_unique<PreparedFile>();
    if (kind != OutputKind::Pdf) {
        file->bytes = render(FormatOf(kind));
        return file;
    }
    // A long contact takes a while to lay out: a stop is honoured within it
    // rather than after it.
    switch (store::RenderHtmlToPdfBytes(render(renderings::Format::Html), &file->bytes, stop)) {
    case store::PdfOutcome::Written: break;
    case store::PdfOutcome::Stopped: file->result = WriteResult::Stopped; break;
    case store::PdfOutcome::Failed:
        file->result = WriteResult::Failed;
        file->error = "the PDF cannot be written";
        break;
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
            if (IsDiskFullErrno(e.Errno())) run.NoteDiskFull(path);
            return WriteResult::Failed;
        }
    } else if (prepared.result == WriteResult::Failed) {
        run.LogError("Cannot write " + path + ": " + prepared.error);
    }
    return prepared.result;
}

bool NamedByFileAs(const ExportOptions& o) { return o.namingOn && o.naming == kFileAsNaming; }

}  // namespace

std::string ItemFileTarget::PathFor(const Earlier* earlier, const std::string& base, uint64_t entry) {
    return earlier ? ClaimEarlier(earlier->file) : ClaimPath(ItemFilePath(dir_, base, entry, run_.options.kind));
}

void ItemFileTarget::Written(const std::string& path, const mapi::SourceIdentity& source) {
    if (run_.options.kind != OutputKind::Msg) Record(source, {NameIn(path)});
}

std::unique_ptr<PreparedFile> ItemFileTarget::RenderContact(ContactRecord& contact, const std::string& subject,
                                                           const std::function<bool()>& stop) const {
    contacts::Contact model = MapContact(std::move(contact), subject);
    const std::string fileAs = NamedByFileAs(run_.options) ? contacts::FileAs(model) : std::string();
    // Rendered once, taking the contact.
    auto file = RenderFile(
        run_.options.kind, [&](renderings::Format format) { return renderings::RenderContact(std::move(model), format); },
        stop);
    file->fileAs = fileAs;
    return file;
}

std::unique_ptr<PreparedFile> ItemFileTarget::Prepare(ContactRecord& contact,
                                                     const std::function<bool()>& stop) const {
    if (run_.options.filterOn || run_.options.kind == OutputKind::Msg) return nullptr;
    return RenderContact(contact, Subject(contact), stop);
}

WriteResult ItemFileTarget::WriteFile(ContactRecord& contact, const std::string& subject, uint64_t entry,
                                      const mapi::SourceIdentity& source, const Earlier* earlier,
                                      const PreparedFile* prepared) {
    const ExportOptions& o = run_.options;
    // Not made ahead (the message filter is on): made now.
    std::unique_ptr<PreparedFile> madeHere;
    if (!prepared && o.kind != OutputKind::Msg) {
        madeHere = RenderContact(contact, subject, [this] { return run_.StopRequested(); });
        prepared = madeHere.get();
    }
    // An MSG file's contact, made once for its name and its item.
    contacts::Contact model = prepared ? contacts::Contact() : MapContact(std::move(contact), subject);
    model.origin = OriginOf(source);
    const std::string fileAs = !NamedByFileAs(o) ? std::string() : prepared ? prepared->fileAs : contacts::FileAs(model);
    const std::string path = PathFor(earlier, BaseName(subject, contact.from, "", fileAs, o.namingOn, o.naming), entry);
    const WriteResult written =
        prepared ? WritePrepared(run_, path, *prepared)
                 : WriteMsgFile(
                       run_, path,
                       [](const std::string& at) {
                           return store::CreateMessageFromMsgFile(at, std::string(mapi::kContactMessageClass),
                                                                  store::kMsgFileFormat);
                       },
                       [&](store::ContactItem& item) { SetContactItem(item, std::move(model)); });
    if (written == WriteResult::Written) Written(path, source);
    return written;
}

WriteResult ItemFileTarget::WriteList(const GroupRecord& group, uint64_t entry, const mapi::SourceIdentity& source) {
    const Earlier* earlier = nullptr;
    if (auto result = LeftOut(group.hasAttachments, group.changed, source, &earlier)) return *result;
    if (!LogResolution(run_, group)) return WriteResult::Failed;
    // The ListName is the subject and the File As text; a group has no From.
    const ExportOptions& o = run_.options;
    const std::string& name = group.document.name;
    const std::string path = PathFor(earlier, BaseName(name, "", "", name, o.namingOn, o.naming), entry);
    contacts::DistributionList list = ListOf(group);
    list.origin = OriginOf(source);
    WriteResult written;
    if (o.kind == OutputKind::Msg) {
        written = WriteMsgFile(
            run_, path,
            [](const std::string& at) {
                return store::CreateDistListFromMsgFile(at, std::string(mapi::kDistListMessageClass),
                                                        store::kMsgFileFormat);
            },
            [&](store::DistListItem& item) { SetDistListItem(item, list); });
    } else {
        const auto file = RenderFile(
            o.kind, [&](renderings::Format format) { return renderings::RenderDistributionList(list, format); },
            [this] { return run_.StopRequested(); });
        written = WritePrepared(run_, path, *file);
    }
    if (written == WriteResult::Written) Written(path, source);
    return written;
}

}  // namespace exporting
