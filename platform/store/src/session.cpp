#include <store/profile.h>
#include <store/session.h>

#include <pst/pst_file.h>

#include <chrono>
#include <filesystem>
#include <optional>

namespace store {

namespace fs = std::filesystem;

namespace {
constexpr auto kCommitInterval = std::chrono::seconds(2);

ErrorCode CodeOf(pst::ErrorKind k) {
    switch (k) {
    case pst::ErrorKind::BadFormat: return ErrorCode::BadFormat;
    case pst::ErrorKind::NotFound: return ErrorCode::NotFound;
    case pst::ErrorKind::AccessDenied: return ErrorCode::AccessDenied;
    case pst::ErrorKind::DiskFull: return ErrorCode::DiskFull;
    case pst::ErrorKind::InvalidArgument: return ErrorCode::InvalidArgument;
    case pst::ErrorKind::Io: return ErrorCode::Failed;
    }
    return ErrorCode::Failed;
}

// Runs f, turning PST library errors into store errors.
template <class F>
auto Guard(F&& f) -> decltype(f()) {
    try {
        return f();
    } catch (const pst::PstError& e) {
        throw StoreError(CodeOf(e.Kind()), e.what());
    }
}

// The user's logon message, then what went wrong.
std::string LogonFailure(const std::string& cause) {
    return cause.empty() ? std::string(kLogonFailedText) : std::string(kLogonFailedText) + " " + cause;
}

void CheckName(const std::string& name, const char* what) {
    if (name.empty()) throw StoreError(ErrorCode::InvalidArgument, std::string(what) + " cannot be empty");
    if (name.find_first_of("\\\t\r\n") != std::string::npos)
        throw StoreError(ErrorCode::InvalidArgument, std::string(what) + " cannot contain a backslash or a line break: " + name);
}
}  // namespace

struct OpenStore {
    std::string name;
    std::string path;
    std::unique_ptr<pst::PstFile> file;
    std::chrono::steady_clock::time_point lastCommit = std::chrono::steady_clock::now();
    uint32_t stamp = 0;  // header checksum after our last commit
    size_t uncommitted = 0;  // items saved since the last commit

    pst::PstFile& File() {
        if (!file) throw StoreError(ErrorCode::Failed, "The store " + name + " is closed; log on again");
        return *file;
    }
    void Commit() {
        Guard([&] { File().Commit(); });
        lastCommit = std::chrono::steady_clock::now();
        stamp = pst::PstFile::CommitStamp(path);
        uncommitted = 0;
    }
    // Another process (the companion program) may have changed the file.
    void Refresh() {
        if (!file || pst::PstFile::CommitStamp(path) == stamp) return;
        file->Abandon();  // writing our older state now would undo the other writer's
        file.reset();
        file = Guard([&] { return pst::PstFile::Open(path, true); });
        stamp = pst::PstFile::CommitStamp(path);
        size_t lost = uncommitted;
        uncommitted = 0;
        if (lost > 0)
            throw StoreError(ErrorCode::Failed, "Another program changed the store " + name + "; the last " +
                                                    std::to_string(lost) + " saved items were lost (commit before running it)");
    }
    void Close() {
        if (!file) return;
        auto f = std::move(file);
        Guard([&] { f->Close(); });
    }
};

namespace {
// Adds an item to a folder, or rewrites the item it replaces.
class PstItemBackend : public ItemBackend {
public:
    PstItemBackend(std::shared_ptr<OpenStore> store, uint32_t folder, std::optional<uint32_t> replaces = std::nullopt)
        : store_(std::move(store)), folder_(folder), replaces_(replaces) {}
    void Commit(const mapi::PropertyBag& properties) override {
        Guard([&] {
            if (replaces_) store_->File().ReplaceMessage(*replaces_, properties);
            else store_->File().AddMessage(folder_, properties);
        });
        AfterSave();
    }

private:
    void AfterSave() {
        ++store_->uncommitted;
        if (std::chrono::steady_clock::now() - store_->lastCommit >= kCommitInterval) store_->Commit();
    }

    std::shared_ptr<OpenStore> store_;
    uint32_t folder_;
    std::optional<uint32_t> replaces_;
};
}  // namespace

// --- items, stores, folders ---

int Items::GetCount() const {
    auto f = store_->File().Folder(folder_);
    if (!f) throw StoreError(ErrorCode::NotFound, "The folder no longer exists");
    return f->contentCount;
}

ContactItem Items::Add(const std::string& messageClass) {
    if (messageClass != mapi::kContactMessageClass)
        throw StoreError(ErrorCode::InvalidArgument, "Only " + std::string(mapi::kContactMessageClass) + " items can be added");
    store_->File();
    return ContactItem(std::make_unique<PstItemBackend>(store_, folder_));
}

DistListItem Items::AddDistList(const std::string& messageClass) {
    if (!IsDistListClass(messageClass))
        throw StoreError(ErrorCode::InvalidArgument, "Not a distribution list class: " + messageClass);
    store_->File();
    return DistListItem(std::make_unique<PstItemBackend>(store_, folder_), messageClass);
}

ContactItem Items::Replace(uint32_t itemId, const std::string& messageClass) {
    if (messageClass != mapi::kContactMessageClass)
        throw StoreError(ErrorCode::InvalidArgument, "Only " + std::string(mapi::kContactMessageClass) + " items can be saved");
    store_->File();
    return ContactItem(std::make_unique<PstItemBackend>(store_, folder_, itemId));
}

DistListItem Items::ReplaceDistList(uint32_t itemId, const std::string& messageClass) {
    if (!IsDistListClass(messageClass))
        throw StoreError(ErrorCode::InvalidArgument, "Not a distribution list class: " + messageClass);
    store_->File();
    return DistListItem(std::make_unique<PstItemBackend>(store_, folder_, itemId), messageClass);
}

void Items::ForEachItem(const std::vector<mapi::PropertyKey>& keys, const ItemVisitor& visit) const {
    Guard([&] { store_->File().ReadEachMessage(folder_, keys, visit); });
}

std::string Store::GetName() const { return store_->name; }
std::string Store::GetPath() const { return store_->path; }
Folder Store::GetRootFolder() const { return Folder(store_, store_->File().RootFolder()); }
Folder Store::GetIPMRootFolder() const { return Folder(store_, store_->File().IpmSubtree()); }
uint64_t Store::GetFileSize() const { return store_->File().FileSize(); }

std::string Folder::GetName() const {
    auto f = store_->File().Folder(nid_);
    if (!f) throw StoreError(ErrorCode::NotFound, "The folder no longer exists");
    return f->name;
}

std::optional<Folder> Folder::GetParent() const {
    auto f = store_->File().Folder(nid_);
    if (!f || f->parent == nid_ || !store_->File().Folder(f->parent)) return std::nullopt;
    return Folder(store_, f->parent);
}

Store Folder::GetStore() const { return Store(store_); }
Items Folder::GetItems() const { return Items(store_, nid_); }

std::vector<Folder> Folder::GetFolders() const {
    std::vector<Folder> out;
    for (const auto& f : store_->File().Subfolders(nid_)) out.push_back(Folder(store_, f.nid));
    return out;
}

std::optional<Folder> Folder::FindFolder(const std::string& name) const {
    auto nid = store_->File().FindSubfolder(nid_, name);
    if (!nid) return std::nullopt;
    return Folder(store_, *nid);
}

Folder Folder::AddFolder(const std::string& name, const std::string& containerClass) {
    CheckName(name, "A folder name");
    uint32_t nid = Guard([&] { return store_->File().CreateFolder(nid_, name, containerClass); });
    store_->Commit();
    return Folder(store_, nid);
}

std::string DisplayPath(const Folder& folder) {
    std::vector<std::string> parts;
    std::optional<Folder> f = folder;
    while (f) {
        auto parent = f->GetParent();
        if (!parent) break;
        std::string name = f->GetName();
        if (name == "Top of Personal Folders" || name == "Top of Outlook data file") parts.push_back("\\\\" + f->GetStore().GetName());
        else parts.push_back(name);
        f = parent;
    }
    std::string out;
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
        if (!out.empty()) out += "\\";
        out += *it;
    }
    return out;
}

std::vector<std::string> SplitStorePath(const std::string& path) {
    if (path.rfind("\\\\", 0) != 0) throw StoreError(ErrorCode::InvalidArgument, "A store path starts with \\\\: " + path);
    std::vector<std::string> parts;
    size_t at = 2;
    while (at <= path.size()) {
        size_t end = path.find('\\', at);
        if (end == std::string::npos) end = path.size();
        if (end > at) parts.push_back(path.substr(at, end - at));
        else if (end < path.size() && parts.empty()) throw StoreError(ErrorCode::InvalidArgument, "The store path names no store: " + path);
        at = end + 1;
    }
    if (parts.empty()) throw StoreError(ErrorCode::InvalidArgument, "The store path names no store: " + path);
    return parts;
}

// --- session ---

Session::Session() = default;

Session::~Session() {
    try {
        Logoff();
    } catch (...) {
    }
}

std::shared_ptr<OpenStore> Session::OpenProfileStore(const std::string& name, const std::string& path) {
    auto s = std::make_shared<OpenStore>();
    s->name = name;
    s->path = path;
    try {
        s->file = Guard([&] { return pst::PstFile::Open(path, true); });
    } catch (const StoreError& e) {
        throw StoreError(e.Code(), "The store " + name + " (" + path + ") cannot be opened: " + e.what());
    }
    s->stamp = pst::PstFile::CommitStamp(path);
    stores_.push_back(s);
    return s;
}

void Session::Logon() {
    try {
        Logoff();
    } catch (const StoreError&) {
        // A store of the previous logon failed to close; it keeps its last commit.
    }
    try {
        Profile profile = Profile::Load();
        if (profile.Stores().empty()) {
            fs::create_directories(Profile::Directory());
            std::string path = Profile::Directory() + "/" + kDefaultStoreName + ".pst";
            if (!fs::exists(path)) Guard([&] { pst::PstFile::Create(path, kDefaultStoreName)->Close(); });
            profile.Add({kDefaultStoreName, path});
            profile.Save();
        }
        for (const auto& entry : profile.Stores()) {
            if (!fs::exists(entry.path)) {
                // A PST deleted since it was listed: the default store is made
                // anew, any other one is left out of this session.
                if (!SameName(entry.name, kDefaultStoreName)) continue;
                Guard([&] { pst::PstFile::Create(entry.path, entry.name)->Close(); });
            }
            OpenProfileStore(entry.name, entry.path);
        }
    } catch (const StoreError& e) {
        stores_.clear();
        throw StoreError(e.Code(), LogonFailure(e.what()));
    } catch (const std::exception& e) {
        stores_.clear();
        throw StoreError(ErrorCode::Failed, LogonFailure(e.what()));
    }
    loggedOn_ = true;
}

void Session::Logoff() {
    std::string firstError;
    ErrorCode code = ErrorCode::Failed;
    for (auto& s : stores_) {
        try {
            s->Close();
        } catch (const StoreError& e) {
            if (firstError.empty()) {
                firstError = e.what();
                code = e.Code();
            }
        }
    }
    stores_.clear();
    loggedOn_ = false;
    if (!firstError.empty()) throw StoreError(code, firstError);
}

void Session::RequireLogon() const {
    if (!loggedOn_) throw StoreError(ErrorCode::Failed, "The session is not logged on");
}

std::vector<Store> Session::Stores() const {
    std::vector<Store> out;
    for (const auto& s : stores_) out.push_back(Store(s));
    return out;
}

std::optional<Store> Session::FindStore(const std::string& name) {
    RequireLogon();
    for (const auto& s : stores_)
        if (SameName(s->name, name)) return Store(s);
    // The companion program may have added the store to the profile since logon.
    Profile profile = Profile::Load();
    if (const ProfileStore* entry = profile.Find(name)) return Store(OpenProfileStore(entry->name, entry->path));
    return std::nullopt;
}

Folder Session::GetFolderFromPath(const std::string& path) {
    auto parts = SplitStorePath(path);
    auto st = FindStore(parts[0]);
    if (!st) throw StoreError(ErrorCode::NotFound, "No store named " + parts[0] + " in the profile");
    st->store_->Refresh();
    Folder f = st->GetIPMRootFolder();
    for (size_t i = 1; i < parts.size(); ++i) {
        auto next = f.FindFolder(parts[i]);
        if (!next) throw StoreError(ErrorCode::NotFound, "The folder " + path + " does not exist");
        f = *next;
    }
    return f;
}

Folder Session::EnsureFolderPath(const std::string& path, const std::string& containerClass) {
    auto parts = SplitStorePath(path);
    auto st = FindStore(parts[0]);
    if (!st) throw StoreError(ErrorCode::NotFound, "No store named " + parts[0] + " in the profile");
    st->store_->Refresh();
    for (size_t i = 1; i < parts.size(); ++i) CheckName(parts[i], "A folder name");
    Folder f = st->GetIPMRootFolder();
    for (size_t i = 1; i < parts.size(); ++i) {
        auto next = f.FindFolder(parts[i]);
        f = next ? *next : f.AddFolder(parts[i], containerClass);
    }
    return f;
}

std::optional<Folder> Session::PickFolder(const FolderPicker& picker, const std::string& caption) {
    RequireLogon();
    if (!picker) return std::nullopt;
    return picker(*this, caption);
}

Store Session::CreateStore(const std::string& pathGiven, const std::string& name) {
    CheckName(name, "A store name");
    if (pathGiven.empty()) throw StoreError(ErrorCode::InvalidArgument, "The PST path is empty");
    // The profile outlives the working folder: it records where the file really is.
    std::error_code ec;
    const std::string path = fs::absolute(pathGiven, ec).lexically_normal().string();
    Profile profile = Profile::Load();
    // The entry is checked before the file is made, so a refused one leaves nothing behind.
    Profile::CheckEntry({name, path});
    if (profile.Find(name)) throw StoreError(ErrorCode::InvalidArgument, "The profile already has a store named " + name);
    Guard([&] { pst::PstFile::Create(path, name)->Close(); });
    try {
        profile.Add({name, path});
        profile.Save();
    } catch (...) {
        std::error_code ec;
        fs::remove(path, ec);
        throw;
    }
    if (!loggedOn_) {
        auto s = std::make_shared<OpenStore>();
        s->name = name;
        s->path = path;
        return Store(s);
    }
    return Store(OpenProfileStore(name, path));
}

Store Session::OpenStoreFile(const std::string& pathGiven) {
    RequireLogon();
    if (pathGiven.empty()) throw StoreError(ErrorCode::InvalidArgument, "The PST path is empty");
    std::error_code ec;
    const std::string path = fs::absolute(pathGiven, ec).lexically_normal().string();
    auto samePath = [&](const std::string& other) {
        std::error_code e;
        return other == path || fs::equivalent(other, path, e);
    };
    for (const auto& s : stores_)
        if (samePath(s->path)) {
            s->Refresh();
            return Store(s);
        }
    // Checked read-only first: a file that does not open cleanly joins
    // nothing and is not written to.
    const std::string name = Guard([&] {
        auto f = pst::PstFile::Open(path, false);
        f->CheckFolders();
        return f->DisplayName();
    });
    CheckName(name, "The store's name");
    Profile profile = Profile::Load();
    const ProfileStore* entry = profile.Find(name);
    if (entry && !samePath(entry->path))
        throw StoreError(ErrorCode::InvalidArgument,
                         "The profile already has a store named " + name + " in another file (" + entry->path + ")");
    auto file = Guard([&] { return pst::PstFile::Open(path, true); });
    if (!entry) {
        try {
            profile.Add({name, path});
            profile.Save();
        } catch (...) {
            file->Abandon();
            throw;
        }
    }
    auto s = std::make_shared<OpenStore>();
    s->name = name;
    s->path = path;
    s->file = std::move(file);
    s->stamp = pst::PstFile::CommitStamp(path);
    stores_.push_back(s);
    return Store(s);
}

void Session::CloseStore(const std::string& name) {
    for (auto it = stores_.begin(); it != stores_.end(); ++it) {
        if (!SameName((*it)->name, name)) continue;
        std::shared_ptr<OpenStore> store = *it;
        stores_.erase(it);
        store->Close();
        return;
    }
}

void Session::Flush() {
    for (auto& s : stores_)
        if (s->file) s->Commit();
}

}  // namespace store
