// The mail store session: logon to the default profile, its stores (PST
// files), their folders, and contact items added to a folder.
//
// A session that has not logged on holds only the stores it creates
// (CreateStore, CreateStoreUnderFreeName) or opens by file (OpenStoreFile):
// the rest of the profile is neither opened nor changed, only the entry of
// each store it adds. An exporter of a new PST works that way.
//
//   store::Session session;
//   session.Logon();                                   // StoreError on failure
//   store::Folder f = session.GetFolderFromPath("\\\\Personal Folders\\Contacts");
//   store::ContactItem item = f.GetItems().Add("IPM.Contact");
//   item.Set(mapi::ContactField::FirstName, "Ada");
//   item.Save();
//   session.Logoff();
#pragma once

#include <store/contact_item.h>
#include <store/distlist_item.h>
#include <store/error.h>
#include <store/profile.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pst {
class PstFile;
}

namespace store {

// A PST file opened read-only and checked as OpenStoreFile checks one (see
// FindPstsToContinue), for OpenStoreFile to take over.
class CheckedPst {
public:
    CheckedPst();
    explicit CheckedPst(std::unique_ptr<pst::PstFile> file);
    CheckedPst(CheckedPst&&) noexcept;
    CheckedPst& operator=(CheckedPst&&) noexcept;
    ~CheckedPst();
    const std::string& Path() const;

private:
    friend class Session;
    std::unique_ptr<pst::PstFile> file_;
};

struct OpenStore;  // one PST file of the session
class Folder;
class Session;

class Items {
public:
    int GetCount() const;
    // Only "IPM.Contact" items are supported; Save adds the item to the folder.
    ContactItem Add(const std::string& messageClass);
    // A distribution list; messageClass is "IPM.DistList" or one below it
    // (StoreError(InvalidArgument) otherwise). Save adds the item to the folder.
    DistListItem AddDistList(const std::string& messageClass = "IPM.DistList");
    // An item whose Save rewrites the store's item itemId in place (its entry
    // id, folder and creation time stay): it starts without properties, as
    // one from Add does. Save throws StoreError(NotFound) when there is no
    // such item.
    ContactItem Replace(uint32_t itemId, const std::string& messageClass = "IPM.Contact");
    // The same for a distribution list (messageClass as for AddDistList).
    DistListItem ReplaceDistList(uint32_t itemId, const std::string& messageClass = "IPM.DistList");
    // Calls visit with the properties keys names of each item of the folder
    // (only those are read; nullptr for an item that cannot be read); visit
    // returns false to stop. It must not change the store: the items of a
    // long folder are read ahead on other threads.
    using ItemVisitor = std::function<bool(uint32_t itemId, const mapi::PropertyBag* properties)>;
    void ForEachItem(const std::vector<mapi::PropertyKey>& keys, const ItemVisitor& visit) const;
    // The properties keys names of an item ForEachItem could not read, read
    // past its blocks' checksums (as readers that ignore them see it); none
    // when even so it cannot be read.
    std::optional<mapi::PropertyBag> ReadDamagedItem(uint32_t itemId, const std::vector<mapi::PropertyKey>& keys) const;

private:
    friend class Folder;
    Items(std::shared_ptr<OpenStore> store, uint32_t folder) : store_(std::move(store)), folder_(folder) {}
    std::shared_ptr<OpenStore> store_;
    uint32_t folder_;
};

class Store {
public:
    std::string GetName() const;
    std::string GetPath() const;
    Folder GetRootFolder() const;
    Folder GetIPMRootFolder() const;  // "Top of Personal Folders"
    uint64_t GetFileSize() const;        // bytes the PST file takes now

private:
    friend class Folder;
    friend class Session;
    explicit Store(std::shared_ptr<OpenStore> store) : store_(std::move(store)) {}
    std::shared_ptr<OpenStore> store_;
};

class Folder {
public:
    std::string GetName() const;
    std::optional<Folder> GetParent() const;  // none for the store's root
    Store GetStore() const;
    Items GetItems() const;
    std::vector<Folder> GetFolders() const;
    std::optional<Folder> FindFolder(const std::string& name) const;
    // Throws StoreError(InvalidArgument) for an empty name, a backslash in
    // it, or a name the folder already holds.
    Folder AddFolder(const std::string& name, const std::string& containerClass = "IPF.Contact");
    uint32_t Id() const { return nid_; }

private:
    friend class Store;
    friend class Session;
    Folder(std::shared_ptr<OpenStore> store, uint32_t nid) : store_(std::move(store)), nid_(nid) {}
    std::shared_ptr<OpenStore> store_;
    uint32_t nid_;
};

// Chooses a folder of the session, or none (the Qt dialog, a command-line
// argument, a fixed answer in tests).
using FolderPicker = std::function<std::optional<Folder>(Session& session, const std::string& caption)>;

inline constexpr const char* kLogonFailedText = "Unable to login outlook session!";

class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Opens every store of the default profile; the first logon (the first
    // to find no store of that name in the profile) creates the default
    // store "Personal Folders" in the profile folder (and makes it
    // again when its file is gone; other stores whose file is gone are left
    // out). A listed store that cannot be opened (damaged, unreadable) is
    // left out too, and LeftOut says why; looking it up later tries again
    // and throws that reason. Throws StoreError whose text is
    // kLogonFailedText followed by the cause when the profile cannot be read
    // or written.
    void Logon();
    // Why each store of the profile that the last logon could not open was
    // left out: "The store <name> (<path>) cannot be opened: <cause>".
    const std::vector<std::string>& LeftOut() const { return leftOut_; }
    // Takes the profile's lock and reads the profile, without opening or
    // making any store: throws StoreError as Logon does (kLogonFailedText
    // followed by the cause) when the profile cannot be used.
    void CheckProfile();
    // Commits and closes every store.
    void Logoff();
    // Closes every store without writing anything more, dropping what was
    // not committed: for stores whose files can no longer be written (a full
    // disk). Each file keeps its last commit.
    void Abandon();
    // Drops the store of that name, open or closed by CloseStore: it is
    // closed without writing, its file removed and its entry taken out of
    // the profile. For a store this session made that is to leave nothing
    // behind. Throws StoreError when the profile cannot be changed (the file
    // is removed all the same). Nothing happens when no store has that name.
    void DiscardStore(const std::string& name);
    bool LoggedOn() const { return loggedOn_; }

    std::vector<Store> Stores() const;
    // The session's store of that name; once logged on, also one the
    // profile lists (another program may have added it since logon).
    std::optional<Store> FindStore(const std::string& name);
    // "\\Store\Folder\Sub" (a trailing backslash is allowed). Folders lie
    // below the store's "Top of Personal Folders". Throws StoreError(NotFound)
    // when the store or a folder is missing.
    Folder GetFolderFromPath(const std::string& path);
    std::optional<Folder> PickFolder(const FolderPicker& picker, const std::string& caption = "Please Select Folder");

    // Creates a new PST at path and adds it to the profile as name, and
    // opens it in the session. Throws StoreError(InvalidArgument) when the
    // profile has a store of that name or a file is at path.
    Store CreateStore(const std::string& path, const std::string& name);
    // Creates a new PST under the first of candidate(1), candidate(2), ...
    // that is free (no store of that name in the profile, no file at its
    // path) and opens it in the session. The name and the file are claimed
    // under the profile's lock, the file made exclusively: concurrent
    // callers, in one process or several, never get the same one.
    Store CreateStoreUnderFreeName(const std::function<ProfileStore(int n)>& candidate);
    // Opens an existing PST at path for writing, once it opens cleanly (its
    // header, index trees, folders and their tables read without error), and
    // adds it to the session under the display name it carries, and to the
    // profile when the profile does not list it. A profile entry of that name
    // whose file is gone (the file was moved) is changed to this file. A
    // store of the session with that file is returned as it is. Throws
    // StoreError: BadFormat for a damaged or foreign file, NotFound,
    // AccessDenied, and InvalidArgument when the profile lists another
    // existing file under that name.
    Store OpenStoreFile(const std::string& path);
    // The same for a file FindPstsToContinue opened and checked: taken over
    // for writing without reading it again while it is still as it was read,
    // else opened anew.
    Store OpenStoreFile(CheckedPst checked);
    // Makes every folder along a "\\Store\A\B" path; returns the last one.
    Folder EnsureFolderPath(const std::string& path, const std::string& containerClass = "IPF.Contact");
    // Commits every store, so that other processes see what was saved.
    void Flush();
    // Commits and closes the session's store of that name, letting go of
    // what it holds in memory, and leaves it out of the session (FindStore
    // opens it again). Folders and items of it held elsewhere fail from then
    // on. Nothing happens when no store has that name. Throws StoreError
    // when the last commit fails.
    void CloseStore(const std::string& name);

private:
    std::shared_ptr<OpenStore> OpenStoreAt(const std::string& name, const std::string& path);
    // The store of the session with the file at path, if any.
    std::optional<Store> StoreWithFile(const std::string& path) const;
    // A file opened for writing and checked joins the profile and the session.
    Store JoinStoreFile(std::unique_ptr<pst::PstFile> file, const std::string& path);
    // Under the profile's lock: claim (given the profile read anew) makes the
    // new store's file and says which; it joins the profile and the session.
    Store ClaimNewStore(const std::function<ProfileStore(const Profile&)>& claim);
    void RequireLogon() const;
    std::vector<std::shared_ptr<OpenStore>> stores_;
    std::vector<ProfileStore> closed_;  // closed by CloseStore, to open again by name
    std::vector<std::string> leftOut_;  // stores the last logon could not open, and why
    bool loggedOn_ = false;
};

// The path that names a folder in dialogs and in GetFolderFromPath: from the
// folder upwards, "Top of Personal Folders" (or "Top of Outlook data file")
// contributes "\\" + the store's name, any other folder its own name; parts
// are joined with "\", the higher part first.
std::string DisplayPath(const Folder& folder);

// Splits "\\Store\A\B\" into {"Store", "A", "B"}; throws
// StoreError(InvalidArgument) when it does not start with "\\" or names no store.
std::vector<std::string> SplitStorePath(const std::string& path);

}  // namespace store
