// A distribution list item ("IPM.DistList") of the mail store library: a name,
// a description (its body) and members, each a display name with an e-mail
// address. Save commits it to where it lives (a folder of a PST store, or an
// MSG file), as for contact items.
//
//   store::DistListItem list = folder.GetItems().AddDistList();
//   list.SetName("Golf Buddies");
//   list.AddMember("Jane Doe", "jane.doe@acme.example");
//   list.AddMember("Someone unknown", "");   // kept by name, without an address
//   list.Save();
#pragma once

#include <store/contact_item.h>

#include <mapi/distribution_list.h>

#include <memory>
#include <string>
#include <vector>

namespace store {

class DistListItem {
public:
    explicit DistListItem(std::unique_ptr<ItemBackend> backend,
                          const std::string& messageClass = std::string(mapi::kDistListMessageClass));
    // An item read back: its properties as stored, its members taken from them.
    DistListItem(std::unique_ptr<ItemBackend> backend, mapi::PropertyBag stored);

    // The list's name: its display name, subject and file-under text with it.
    void SetName(const std::string& name);
    std::string GetName() const;
    // The description, kept as the item's body.
    void SetBody(const std::string& text);
    std::string GetBody() const;

    // Adds a member with an SMTP address; an empty address keeps the member by
    // its name alone. Members keep the order they were added in.
    void AddMember(const std::string& displayName, const std::string& address);
    void ClearMembers() { members_.clear(); }
    const std::vector<mapi::OneOffRecipient>& Members() const { return members_; }
    int GetMemberCount() const { return int(members_.size()); }

    // Every property as Save writes it, the members included.
    mapi::PropertyBag Properties() const;
    // The item's own properties, members aside (which AddMember keeps), for
    // properties the setters above do not cover.
    mapi::PropertyBag& MutableProperties() { return props_; }

    // Commits the item; throws StoreError when it cannot be written.
    void Save();

private:
    std::unique_ptr<ItemBackend> backend_;
    mapi::PropertyBag props_;
    std::vector<mapi::OneOffRecipient> members_;
};

// True for "IPM.DistList" and "IPM.DistList.<something>" (ASCII case ignored).
bool IsDistListClass(const std::string& messageClass);

}  // namespace store
