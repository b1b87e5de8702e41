#include <exporting/export_run.h>
#include <exporting/naming.h>

#include <notes/analysis.h>
#include <notes/open_view.h>
#include <store/companion.h>
#include <store/msg_file.h>
#include <store/pdf.h>
#include <store/profile.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace exporting {

namespace {

constexpr auto kCommitEvery = std::chrono::milliseconds(900);
// Room kept free below the split size for the index pages a commit and the
// closing of the file add.
constexpr uint64_t kSplitReserve = 256 * 1024;

struct LocalNow {
    std::tm tm{};
    int ms = 0;
};

LocalNow Now() {
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    LocalNow n;
    ::localtime_r(&ts.tv_sec, &n.tm);
    n.ms = int(ts.tv_nsec / 1000000);
    return n;
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// Rough bytes an item takes in a PST: values (texts as UTF-16) and their entries.
uint64_t EstimatedSize(const mapi::PropertyBag& props) {
    uint64_t n = 2048;
    for (const auto& [key, value] : props.All()) {
        n += 16;
        if (auto* s = std::get_if<std::string>(&value)) n += s->size() * 2;
        else if (auto* b = std::get_if<mapi::Binary>(&value)) n += b->size();
    }
    return n;
}

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

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

std::string Flavour::PstStamp() const {
    LocalNow n = Now();
    char buf[96];
    if (selectedItems)
        std::snprintf(buf, sizeof buf, "%d%d%d-%d%d%d%d", n.tm.tm_mday, n.tm.tm_mon + 1, n.tm.tm_year + 1900,
                      n.tm.tm_hour, n.tm.tm_min, n.tm.tm_sec, n.ms);
    else
        std::snprintf(buf, sizeof buf, "%d-%d-%d %d %d %d %d", n.tm.tm_mday, n.tm.tm_mon + 1, n.tm.tm_year + 1900,
                      n.tm.tm_hour, n.tm.tm_min, n.tm.tm_sec, n.ms);
    return buf;
}

std::string RecoverDataStamp() {
    LocalNow n = Now();
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d%d%d%d", n.tm.tm_hour, n.tm.tm_min, n.tm.tm_sec, n.ms);
    return buf;
}

ExportRun::ExportRun(notes::FerrywellState& state, const ExportOptions& options, std::atomic<int>& stop,
                     ExportSink& sink, Flavour flavour)
    : state_(state), options_(options), stop_(stop), sink_(sink), flavour_(flavour),
      scratch_(state.tempFilePath.get()), lastCommit_(std::chrono::steady_clock::now()) {}

ExportRun::~ExportRun() { Logoff(); }

bool ExportRun::CheckDatabase() {
    const std::string path = state_.strFileDir.get();
    LNNotesSession session;
    if (session.Initialize(300, 0, nullptr, 1, nullptr) != LNNOERROR) {
        error = "The Notes session cannot be started";
        LogError(error);
        return false;
    }
    LNSetThrowAllErrorsGlobal(1);
    LNDatabase db;
    try {
        session.GetDatabase(path, &db);
        db.Open();
    } catch (LNSTATUS status) {
        error = "Cannot open the database " + path + ": " + LNGetErrorMessage(status);
        LogError(error);
        return false;
    }
    db.Close();
    session.Term(0);
    return true;
}

// --- store kinds ---

bool ExportRun::Logon() {
    session_ = std::make_unique<store::RDOSession>();
    try {
        session_->Logon();
        return true;
    } catch (const store::StoreError& e) {
        // The message box keeps the product's text; the log and the outcome
        // also say why.
        session_.reset();
        error = e.what();
        LogError(error);
        sink_.ShowMessage(store::kLogonFailedText);
        return false;
    }
}

void ExportRun::Logoff() {
    folder_.reset();
    if (!session_) return;
    Commit();
    try {
        session_->Logoff();
    } catch (const store::StoreError& e) {
        LogError(std::string("Closing the store failed: ") + e.what());
    }
    session_.reset();
}

void ExportRun::Commit() {
    lastCommit_ = std::chrono::steady_clock::now();
    if (!session_) return;
    try {
        session_->Flush();
        uncommitted_ = 0;
    } catch (const store::StoreError& e) {
        // What was saved since the last commit never reaches the file.
        LogError(std::string("Saving the store failed: ") + e.what() + "; " + std::to_string(uncommitted_) +
                 " contacts were lost");
        totals.written -= uncommitted_;
        totals.failed += uncommitted_;
        uncommitted_ = 0;
    }
}

bool ExportRun::CreatePST() {
    if (flavour_.selectedItems) Log("Please wait create pst file.");
    else Log("Please wait... Create PST File");
    // Store names take no backslash and the command file no markup.
    const std::string base = CutToBytes(SafeComponent(state_.SourceFileName.get()) + "-Corvane-" + flavour_.PstStamp(), 200);
    std::string name, path;
    try {
        store::Profile profile = store::Profile::Load();
        for (int n = 1;; ++n) {
            name = n == 1 ? base : base + " (" + std::to_string(n) + ")";
            path = options_.destination + "/" + name + ".pst";
            if (!Exists(path) && !profile.Find(name)) break;
        }
        if (!flavour_.selectedItems) Log("Create PST File :" + path);
        store::WriteSavingFile(path, name);
    } catch (const store::StoreError& e) {
        error = std::string("Cannot create the PST file: ") + e.what();
        LogError(error);
        return false;
    }
    store::RunCompanion("create", session_.get());
    std::optional<store::RDOStore> made;
    try {
        made = session_->FindStore(name);
    } catch (const store::StoreError&) {
    }
    if (!made) {
        error = "Cannot create the PST file " + path;
        LogError(error);
        return false;
    }
    pstName_ = name;
    pstPath_ = made->GetPath();
    lastCommitSize_ = 0;
    outputs.push_back(pstPath_);
    partContacts_ = 0;
    return true;
}

void ExportRun::PrepareStoreFolder(const std::string& relPath, const std::string& base, bool makeFolder) {
    relPath_ = relPath;
    profileBase_ = base;
    makeFolder_ = makeFolder;
    folder_.reset();
    if (options_.kind == OutputKind::Pst) {
        xpath_ = "\\\\" + pstName_ + "\\" + relPath;
        for (size_t at; (at = xpath_.find("Top of Personal Folders")) != std::string::npos;)
            xpath_.replace(at, 23, "Top-of-Personal-Folders");
    } else {
        xpath_ = relPath.empty() ? base : base + "\\" + relPath;
    }
    if (!session_) return;
    if (makeFolder) {
        try {
            if (flavour_.selectedItems) Log("Please wait create pst folder");
            store::WriteMailSavingFile(xpath_);
            if (!flavour_.selectedItems) Log("Please wait... Create PST Folders :" + xpath_);
            store::RunCompanion("folder", session_.get());
        } catch (const store::StoreError& e) {
            LogError(std::string("Cannot ask for the folder ") + xpath_ + ": " + e.what());
        }
    }
    try {
        folder_ = session_->GetFolderFromPath(xpath_);
    } catch (const store::StoreError& e) {
        LogError("Cannot find the folder " + xpath_ + ": " + e.what());
    }
}

bool ExportRun::SplitBefore(uint64_t bytesAhead) {
    if (!(options_.splitPst && options_.kind == OutputKind::Pst) || !folder_) return true;
    uint64_t size = 0;
    try {
        size = folder_->GetStore().GetFileSize();
    } catch (const store::StoreError&) {
        return true;
    }
    // Commits write the index anew: commit often enough to measure what
    // one costs, and keep room for two of them (the last one closes the file).
    if (size >= lastCommitSize_ + options_.splitSize / 16) {
        Commit();
        try {
            const uint64_t after = folder_->GetStore().GetFileSize();
            commitGrowth_ = std::max(commitGrowth_, after > size ? after - size : 0);
            size = lastCommitSize_ = after;
        } catch (const store::StoreError&) {
        }
    }
    const uint64_t need = std::max(maxGrowth_, bytesAhead) + bytesAhead + 2 * commitGrowth_ + kSplitReserve;
    if (size + need <= options_.splitSize) return true;
    if (partContacts_ == 0) return false;  // even a fresh part cannot take it
    if (!CreatePST()) {
        folder_.reset();
        return false;
    }
    PrepareStoreFolder(relPath_, profileBase_, true);
    sink_.SetFolderStatus("Saving Folder Status :" + xpath_);
    return folder_.has_value();
}

void ExportRun::WriteStoreContact(const ContactRecord& contact) {
    if (!folder_) {
        ++totals.failed;
        return;
    }
    const std::string subject = contact.hasSubject ? contact.subject : std::string();
    try {
        store::RDOContactItem item = folder_->GetItems().Add(std::string(mapi::kContactMessageClass));
        ApplyContactTable(item, contact, subject);
        const bool measure = options_.splitPst && options_.kind == OutputKind::Pst;
        if (measure) {
            const std::string before = pstName_;
            if (!SplitBefore(EstimatedSize(item.Properties()))) {
                ++totals.failed;
                if (folder_) LogError("The contact does not fit into a PST file of the split size");
                return;
            }
            if (pstName_ != before) {
                store::RDOContactItem moved = folder_->GetItems().Add(std::string(mapi::kContactMessageClass));
                for (const auto& [key, value] : item.Properties().All()) moved.MutableProperties().Set(key, value);
                item = std::move(moved);
            }
        }
        const uint64_t sizeBefore = measure ? folder_->GetStore().GetFileSize() : 0;
        item.Save();
        if (measure) maxGrowth_ = std::max(maxGrowth_, folder_->GetStore().GetFileSize() - sizeBefore);
        ++totals.written;
        ++uncommitted_;
        ++partContacts_;
    } catch (const store::StoreError& e) {
        ++totals.failed;
        LogError("Cannot save the contact in " + xpath_ + ": " + e.what());
    }
    if (std::chrono::steady_clock::now() - lastCommit_ >= kCommitEvery) Commit();
}

// --- file kinds ---

void ExportRun::StartCsv(const std::string& dir, const std::string& name) {
    csvDir_ = dir;
    csvName_ = name;
    csv_.reset();
}

bool ExportRun::WriteFileContact(const ContactRecord& contact, const std::string& subject, uint64_t index,
                                 const std::string& dir) {
    const OutputKind kind = options_.kind;
    if (kind == OutputKind::Csv) {
        if (!csv_) {
            csv_ = std::make_unique<selected::CsvAppender>(CsvFilePath(csvDir_, csvName_, index));
            if (!csv_->AppendHeader()) {
                LogError("Cannot write " + csv_->Path());
                return false;
            }
        }
        if (csv_->AppendRow(contact.values)) return true;
        LogError("Cannot write " + csv_->Path());
        return false;
    }
    const std::string base = BaseName(subject, contact.from, "", options_.namingOn, options_.naming);
    const std::string path = ItemFilePath(dir, base, index, kind);
    try {
        // Every contact starts from a new item: a file left at the item's
        // path would otherwise lend it its properties.
        const std::string itemPath = kind == OutputKind::Msg ? path : scratch_ + "/temp.msg";
        struct stat st;
        if (::lstat(itemPath.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) ::unlink(itemPath.c_str());
        auto item = store::CreateMessageFromMsgFile(itemPath, std::string(mapi::kContactMessageClass), store::kMsgFileFormat);
        if (!item) throw store::StoreError(store::ErrorCode::Failed, "no contact item");
        ApplyContactTable(*item, contact, subject);
        if (kind == OutputKind::Msg) {
            item->Save();
        } else if (kind == OutputKind::Pdf) {
            const std::string html = scratch_ + "/temp.html";
            item->SaveAs(html, store::olHTML);
            if (!store::ConvertHTMLToPDF(notes::getImage(ReadFile(html)), path))
                throw store::StoreError(store::ErrorCode::Failed, "the PDF cannot be written");
        } else {
            item->SaveAs(path, SaveAsType(kind));
        }
        return true;
    } catch (const store::StoreError& e) {
        LogError("Cannot write " + path + ": " + e.what());
        return false;
    }
}

void ExportRun::ExportEntry(const LNDocument& doc, uint64_t index, const std::string& dir) {
    ContactRecord contact = ReadContact(doc);
    if (IsStoreKind(options_.kind)) {
        WriteStoreContact(contact);
        Log("Export Items: " + (contact.hasSubject ? contact.subject : std::string()));
        return;
    }
    const std::string subject = SubjectText(contact.Value("CompanyName"), contact.Value("FirstName"), contact.Value("LastName"));
    bool filtered = false;
    if (options_.filterOn) {
        // Contacts carry no posted date: its empty text never parses, so the
        // date test fails for each of them.
        const notes::OleDate posted = notes::ConvertString2Date("");
        if (!posted.valid || !notes::InBetween(posted, options_.filterStart, options_.filterEnd)) {
            Log("Skip Message Dates Not match", kColourSkip);
            filtered = true;
        }
        if (options_.requireAttachments && !contact.hasAttachments) {
            Log("Skip as Non Attachment Message", kColourSkip);
            filtered = true;
        }
    }
    if (filtered) ++totals.skipped;
    else if (WriteFileContact(contact, subject, index, dir)) ++totals.written;
    else ++totals.failed;
    Log("Export Items: " + subject);
}

void ExportRun::CountDone() {
    ++done_;
    if (done_ % 64 == 0 || done_ == known_) sink_.SetProgress(done_, known_);
}

bool ExportRun::ExportView(uint32_t viewIndex, const std::string& dir, const std::set<uint32_t>* entries) {
    const std::string path = state_.strFileDir.get();
    LNNotesSession session;
    if (session.Initialize(300, 0, nullptr, 1, nullptr) != LNNOERROR) return false;
    LNSetThrowAllErrorsGlobal(1);
    LNDatabase db;
    LNViewFolder view;
    size_t count = 0;
    try {
        view = notes::OpenViewOf(session, path, viewIndex, db);
        count = view.GetEntryCount();
    } catch (LNSTATUS status) {
        LogError("Cannot open view " + std::to_string(viewIndex) + " of " + path + ": " + LNGetErrorMessage(status));
        if (entries) totals.failed += entries->size();
        return false;
    }
    known_ += entries ? entries->size() : count;
    sink_.SetProgress(done_, known_);
    for (size_t n = 0; n < count; ++n) {
        if (entries && !entries->count(uint32_t(n))) continue;
        if (StopRequested()) {
            stopped = true;
            if (flavour_.selectedItems) ClearStop();
            break;
        }
        LNDocument doc;
        try {
            view[n].GetDocument(&doc);
        } catch (LNSTATUS) {
            continue;  // a category entry
        }
        try {
            doc.Open(0);
        } catch (LNSTATUS) {
            if (entries) ++totals.failed;  // a ticked contact that cannot be read
            CountDone();
            continue;
        }
        ExportEntry(doc, n, dir);
        doc.Close();
        CountDone();
    }
    if (entries) {
        // Ticked entries past the end of the view have no document.
        for (auto it = entries->lower_bound(uint32_t(count)); it != entries->end(); ++it) ++totals.failed;
    }
    db.Close();
    session.Term(0);
    return true;
}

std::string FailureMessage(uint64_t failed) {
    return "Conversion finished, but " + std::to_string(failed) + (failed == 1 ? " contact was" : " contacts were") +
           " not written. See the log.";
}

}  // namespace exporting
