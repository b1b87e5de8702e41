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

}  // namespace

bool ItemFileTarget::WriteFile(const ContactRecord& contact, const std::string& subject, uint64_t entry) {
    const ExportOptions& o = run_.options;
    const std::string base = BaseName(subject, contact.from, "", o.namingOn, o.naming);
    const std::string path = ClaimPath(ItemFilePath(dir_, base, entry, o.kind));
    const std::string& scratch = run_.request.scratchFolder;
    try {
        // Every contact starts from a new item: a file left at the item's
        // path would otherwise lend it its properties.
        const std::string itemPath = o.kind == OutputKind::Msg ? path : scratch + "/temp.msg";
        RemoveFile(itemPath);
        auto item = store::CreateMessageFromMsgFile(itemPath, std::string(mapi::kContactMessageClass), store::kMsgFileFormat);
        if (!item) throw store::StoreError(store::ErrorCode::Failed, "no contact item");
        ApplyContactTable(*item, contact, subject);
        if (o.kind == OutputKind::Msg) {
            item->Save();
        } else if (o.kind == OutputKind::Pdf) {
            const std::string html = scratch + "/temp.html";
            item->SaveAs(html, store::olHTML);
            if (!store::ConvertHTMLToPDF(notes::getImage(ReadRendering(html)), path))
                throw store::StoreError(store::ErrorCode::Failed, "the PDF cannot be written");
        } else {
            item->SaveAs(path, SaveAsType(o.kind));
        }
        return true;
    } catch (const store::StoreError& e) {
        run_.LogError("Cannot write " + path + ": " + e.what());
        return false;
    }
}

}  // namespace exporting
