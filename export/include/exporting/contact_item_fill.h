// The contact model as Outlook items: a contact's values set on a contact
// item, a distribution list's on a distribution list item, by the object
// model's names. PST stores, profile folders and MSG files are all written
// through these.
#pragma once

#include <contacts/contact.h>
#include <contacts/distribution_list.h>
#include <mapi/source_identity.h>
#include <store/contact_item.h>
#include <store/distlist_item.h>

namespace exporting {

// Sets the subject as Subject and ConversationTopic (nothing when empty),
// every text the contact has, Children and Categories, Birthday and
// Anniversary, the notes text as Body, then Sent and the empty To, CC, BCC,
// and the origin as the identity a later run finds it by (an origin that is
// not Valid sets none), and the attachments (AddContactAttachments). Empty
// texts set nothing. Throws StoreError for a value the item refuses.
void SetContactItem(store::ContactItem& item, const contacts::Contact& contact);
// The same, taking the notes' text rather than copying it where it can.
void SetContactItem(store::ContactItem& item, contacts::Contact&& contact);

// Each attachment of the contact as an attachment by value (file name, long
// file name, display name, extension, MIME type, size and bytes), and the
// photo as Outlook's contact picture: a hidden attachment
// "ContactPicture.jpg" marked as the contact's photo, and PidLidHasPicture.
void AddContactAttachments(store::ContactItem& item, const contacts::Contact& contact);

// Sets the list's name, description (its body), members and origin.
void SetDistListItem(store::DistListItem& item, const contacts::DistributionList& list);

// The origin as the identity an item carries, and back.
mapi::SourceIdentity SourceIdentityOf(const contacts::Origin& origin);
contacts::Origin OriginOf(const mapi::SourceIdentity& source);

}  // namespace exporting
