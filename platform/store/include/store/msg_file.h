// Contact items kept in MSG files.
#pragma once

#include <store/contact_item.h>
#include <store/distlist_item.h>

#include <memory>
#include <string>

namespace store {

// File format number of an MSG file (Unicode), as CreateMessageFromMsgFile takes it.
inline constexpr int kMsgFileFormat = 3;

// Returns a contact item whose Save() writes the MSG file at path (replacing
// it whole). When a file exists at path, the item starts with its
// properties; otherwise it is a new item of messageClass.
// Returns nullptr when messageClass, or the class of the existing file, is not
// a contact class ("IPM.Contact" or "IPM.Contact.<something>").
// Throws StoreError: InvalidArgument for another file format, BadFormat for
// an existing file that is not an MSG file, NotFound/AccessDenied/Failed when
// the existing file cannot be read.
std::unique_ptr<ContactItem> CreateMessageFromMsgFile(const std::string& path, const std::string& messageClass,
                                                      int fileFormat);

// The same for a distribution list: its Save() writes the MSG file at path.
// An existing file gives the item its properties and members. Returns nullptr
// when messageClass, or the class of the existing file, is not a
// distribution list class ("IPM.DistList" or "IPM.DistList.<something>").
// Throws StoreError as CreateMessageFromMsgFile does.
std::unique_ptr<DistListItem> CreateDistListFromMsgFile(const std::string& path, const std::string& messageClass,
                                                        int fileFormat);

}  // namespace store
