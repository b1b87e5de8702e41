#include <store/profile.h>
#include <store/session.h>

#include <pst/pst_file.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <utility>

namespace store {

namespace fs = std::filesystem;

namespace {
constexpr auto kCommitInterval = std::chrono::seconds(2);
// Names CreateStoreUnderFreeName tries before it gives up.
constexpr int kMaxNameTries = 10000;

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

// Two names of one file (links resolved).
bool SamePath(const std::string& a, const std::string& b) {
    std::error_code e;
    return a == b || fs::equivalent(a, b, e);
}

// The user's logon message, then what went wrong.
std::string LogonFailure(const std::string& cause) {
    return cause.empty() ? std::string(kLogonFailedText) : std::string(kLogonFailedText) + " " + cause;
}

// Where the file really is: the profile outlives the working folder.
std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    return fs::absolute(path, ec).lexically_normal().string();
}

bool PathTaken(const std::string& path) {
    std::error_code ec;
    return fs::symlink_status(path, ec).type() != fs::file_type::not_found;
}

// Makes the empty PST file of a new store; a file already at path fails.
void MakeStoreFile(const ProfileStore& store) {
    Guard([&] { pst::PstFile::Create(store.path, store.name)->Close(); });
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

    pst::PstFile& File() {
        if (!file) throw StoreError(ErrorCode::Failed, "The store " + name + " is closed; log on again");
        return *file;
    }
    void Commit() {
        Guard([&] { File().Commit(); });
        lastCommit = std::chrono::steady_clock::now();
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
    void Commit(const mapi::PropertyBag& properties, const std::vector<mapi::PropertyBag>& attachments) override {
        Guard([&] {
            if (replaces_) store_->File().ReplaceMessage(*replaces_, properties, attachments);
            else store_->File().AddMessage(folder_, properties, attachments);
        });
        AfterSave();
    }

private:
    void AfterSave() {
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

std::optional<mapi::PropertyBag> Items::ReadDamagedItem(uint32_t itemId, const std::vector<mapi::PropertyKey>& keys) const {
    return Guard([&] { return store_->File().ReadDamagedMessage(itemId, keys); });
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

std::shared_ptr<OpenStore> Session::OpenStoreAt(const std::string& name, const std::string& path) {
    auto s = std::make_shared<OpenStore>();
    s->name = name;
    s->path = path;
    try {
        s->file = Guard([&] { return pst::PstFile::Open(path, true); });
    } catch (const StoreError& e) {
        throw StoreError(e.Code(), "The store " + name + " (" + path + ") cannot be opened: " + e.what());
    }
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
        const Profile profile = Profile::Update([](Profile& p) {
            // Exports of new PST files add to the profile without logging
            // on: the first logon is the first without the default store.
            const bool first = !p.Find(kDefaultStoreName);
            if (first) p.Add({kDefaultStoreName, Profile::Directory() + "/" + kDefaultStoreName + ".pst"});
            // The default store is made on the first logon, and again when
            // its file is gone.
            for (const auto& entry : p.Stores())
                if (SameName(entry.name, kDefaultStoreName) && !PathTaken(entry.path)) MakeStoreFile(entry);
            return first;
        });
        leftOut_.clear();
        for (const auto& entry : profile.Stores()) {
            // A PST deleted since it was listed is left out of this session.
            if (!fs::exists(entry.path)) continue;
            // So is one that cannot be opened: one damaged file must not
            // stop work with the others.
            try {
                OpenStoreAt(entry.name, entry.path);
            } catch (const StoreError& e) {
                leftOut_.push_back(e.what());
            }
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

void Session::CheckProfile() {
    try {
        Profile::Update([](Profile&) { return false; });
    } catch (const std::exception& e) {
        throw StoreError(ErrorCode::Failed, LogonFailure(e.what()));
    }
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
    closed_.clear();
    loggedOn_ = false;
    if (!firstError.empty()) throw StoreError(code, firstError);
}

void Session::Abandon() {
    for (auto& s : stores_)
        if (s->file) std::exchange(s->file, nullptr)->Abandon();
    stores_.clear();
    closed_.clear();
    loggedOn_ = false;
}

void Session::DiscardStore(const std::string& name) {
    std::optional<ProfileStore> found;
    for (auto it = stores_.begin(); it != stores_.end() && !found; ++it) {
        if (!SameName((*it)->name, name)) continue;
        found = ProfileStore{(*it)->name, (*it)->path};
        if ((*it)->file) std::exchange((*it)->file, nullptr)->Abandon();
        stores_.erase(it);
        break;
    }
    for (auto it = closed_.begin(); it != closed_.end() && !found; ++it) {
        if (!SameName(it->name, name)) continue;
        found = *it;
        closed_.erase(it);
        break;
    }
    if (!found) return;
    std::error_code ec;
    fs::remove(found->path, ec);
    Profile::Update([&](Profile& profile) { return profile.Remove(*found); });
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
    for (const auto& s : stores_)
        if (SameName(s->name, name)) return Store(s);
    for (auto it = closed_.begin(); it != closed_.end(); ++it) {
        if (!SameName(it->name, name)) continue;
        const ProfileStore entry = *it;
        closed_.erase(it);
        return Store(OpenStoreAt(entry.name, entry.path));
    }
    if (!loggedOn_) {
        if (stores_.empty()) RequireLogon();
        return std::nullopt;
    }
    // Another program may have added the store to the profile since logon.
    Profile profile = Profile::Load();
    if (const ProfileStore* entry = profile.Find(name)) return Store(OpenStoreAt(entry->name, entry->path));
    return std::nullopt;
}

Folder Session::GetFolderFromPath(const std::string& path) {
    auto parts = SplitStorePath(path);
    auto st = FindStore(parts[0]);
    if (!st) throw StoreError(ErrorCode::NotFound, "No store named " + parts[0] + " in the profile");
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
    const ProfileStore wanted{name, AbsolutePath(pathGiven)};
    // The entry is checked before the file is made, so a refused one leaves nothing behind.
    Profile::CheckEntry(wanted);
    return ClaimNewStore([&](const Profile& profile) {
        if (profile.Find(name)) throw StoreError(ErrorCode::InvalidArgument, "The profile already has a store named " + name);
        MakeStoreFile(wanted);
        return wanted;
    });
}

Store Session::CreateStoreUnderFreeName(const std::function<ProfileStore(int n)>& candidate) {
    return ClaimNewStore([&](const Profile& profile) {
        for (int n = 1; n <= kMaxNameTries; ++n) {
            ProfileStore c = candidate(n);
            CheckName(c.name, "A store name");
            if (c.path.empty()) throw StoreError(ErrorCode::InvalidArgument, "The PST path is empty");
            c.path = AbsolutePath(c.path);
            Profile::CheckEntry(c);
            if (profile.Find(c.name) || PathTaken(c.path)) continue;
            try {
                MakeStoreFile(c);  // exclusively: a file made meanwhile by anyone fails
                return c;
            } catch (const StoreError&) {
                if (!PathTaken(c.path)) throw;
            }
        }
        throw StoreError(ErrorCode::Failed, "No free name for a new store after " + std::to_string(kMaxNameTries) + " tries");
    });
}

Store Session::ClaimNewStore(const std::function<ProfileStore(const Profile&)>& claim) {
    std::optional<ProfileStore> made;
    try {
        Profile::Update([&](Profile& profile) {
            made = claim(profile);
            profile.Add(*made);
            return true;
        });
    } catch (...) {
        std::error_code ec;
        if (made) fs::remove(made->path, ec);  // a file the profile does not list
        throw;
    }
    return Store(OpenStoreAt(made->name, made->path));
}

CheckedPst::CheckedPst() = default;
CheckedPst::CheckedPst(std::unique_ptr<pst::PstFile> file) : file_(std::move(file)) {}
CheckedPst::CheckedPst(CheckedPst&&) noexcept = default;
CheckedPst& CheckedPst::operator=(CheckedPst&&) noexcept = default;
CheckedPst::~CheckedPst() = default;
const std::string& CheckedPst::Path() const { return file_->Path(); }

std::optional<Store> Session::StoreWithFile(const std::string& path) const {
    for (const auto& s : stores_)
        if (SamePath(s->path, path)) return Store(s);
    return std::nullopt;
}

Store Session::OpenStoreFile(const std::string& pathGiven) {
    if (pathGiven.empty()) throw StoreError(ErrorCode::InvalidArgument, "The PST path is empty");
    const std::string path = AbsolutePath(pathGiven);
    if (auto open = StoreWithFile(path)) return *open;
    // Opening for writing writes nothing before the first commit: a file
    // that does not open cleanly is abandoned unchanged and joins nothing.
    auto file = Guard([&] { return pst::PstFile::Open(path, true); });
    try {
        Guard([&] { file->CheckFolders(); });
    } catch (...) {
        file->Abandon();
        throw;
    }
    return JoinStoreFile(std::move(file), path);
}

Store Session::OpenStoreFile(CheckedPst checked) {
    if (!checked.file_) throw StoreError(ErrorCode::InvalidArgument, "No PST file was checked");
    const std::string path = AbsolutePath(checked.Path());
    if (auto open = StoreWithFile(path)) return *open;
    try {
        Guard([&] { checked.file_->MakeWritable(); });
    } catch (const StoreError& e) {
        // Changed since it was checked: read and checked anew.
        if (e.Code() != ErrorCode::InvalidArgument) throw;
        checked.file_->Abandon();
        return OpenStoreFile(path);
    }
    return JoinStoreFile(std::move(checked.file_), path);
}

Store Session::JoinStoreFile(std::unique_ptr<pst::PstFile> file, const std::string& path) {
    std::string name;
    try {
        name = file->DisplayName();
        CheckName(name, "The store's name");
        Profile::Update([&](Profile& profile) {
            const ProfileStore* entry = profile.Find(name);
            if (entry && SamePath(entry->path, path)) return false;
            // An entry whose file is gone is the file's old place (its folder
            // was moved): it follows the file. One whose file is still there
            // names another copy of the store.
            std::error_code e;
            if (entry && fs::symlink_status(entry->path, e).type() != fs::file_type::not_found)
                throw StoreError(ErrorCode::InvalidArgument,
                                 "The profile already has a store named " + name + " in another file (" + entry->path + ")");
            profile.Add({name, path});
            return true;
        });
    } catch (...) {
        file->Abandon();
        throw;
    }
    auto s = std::make_shared<OpenStore>();
    s->name = name;
    s->path = path;
    s->file = std::move(file);
    stores_.push_back(s);
    return Store(s);
}

void Session::CloseStore(const std::string& name) {
    for (auto it = stores_.begin(); it != stores_.end(); ++it) {
        if (!SameName((*it)->name, name)) continue;
        std::shared_ptr<OpenStore> store = *it;
        stores_.erase(it);
        closed_.push_back({store->name, store->path});
        store->Close();
        return;
    }
}

void Session::Flush() {
    for (auto& s : stores_)
        if (s->file) s->Commit();
}

}  // namespace store
