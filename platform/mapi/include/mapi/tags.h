// The MAPI properties this system reads and writes, by their canonical names
// (MS-OXPROPS): the property id with the type it is stored with. Named
// properties of the contact set (PSETID_Address) carry their long id instead.
#pragma once

#include <mapi/property.h>

#include <cstdint>

namespace mapi {

struct PropTag {
    uint16_t id;
    PropType type;
    // The 32-bit tag: the id in the upper half, the type in the lower.
    constexpr uint32_t Tag() const { return uint32_t(id) << 16 | uint16_t(type); }
    PropertyKey Key() const { return PropertyKey::Tag(id, type); }
};

struct AddressLid {
    uint32_t lid;
    PropType type;
    PropertyKey Key() const { return PropertyKey::Named(kPsetidAddress, lid, type); }
};

// A property of PS_PUBLIC_STRINGS, named by a string.
struct PublicStringName {
    const char* name;
    PropType type;
    PropertyKey Key() const { return PropertyKey::NamedString(kPsPublicStrings, name, type); }
};

namespace detail {
inline constexpr PropType kI32 = PropType::Int32, kI64 = PropType::Int64, kBool = PropType::Boolean,
                          kText = PropType::Unicode, kTime = PropType::SysTime, kBin = PropType::Binary,
                          kMvI32 = PropType::MultipleInt32, kMvText = PropType::MultipleUnicode;
}  // namespace detail

// Messages.
inline constexpr PropTag PidTagImportance{0x0017, detail::kI32};
inline constexpr PropTag PidTagMessageClass{0x001A, detail::kText};
inline constexpr PropTag PidTagSensitivity{0x0036, detail::kI32};
inline constexpr PropTag PidTagSubject{0x0037, detail::kText};
inline constexpr PropTag PidTagClientSubmitTime{0x0039, detail::kTime};
inline constexpr PropTag PidTagSentRepresentingName{0x0042, detail::kText};
inline constexpr PropTag PidTagMessageToMe{0x0057, detail::kBool};
inline constexpr PropTag PidTagMessageCcMe{0x0058, detail::kBool};
inline constexpr PropTag PidTagConversationTopic{0x0070, detail::kText};
inline constexpr PropTag PidTagConversationIndex{0x0071, detail::kBin};
inline constexpr PropTag PidTagDisplayBcc{0x0E02, detail::kText};
inline constexpr PropTag PidTagDisplayCc{0x0E03, detail::kText};
inline constexpr PropTag PidTagDisplayTo{0x0E04, detail::kText};
inline constexpr PropTag PidTagMessageDeliveryTime{0x0E06, detail::kTime};
inline constexpr PropTag PidTagMessageFlags{0x0E07, detail::kI32};
inline constexpr PropTag PidTagMessageSize{0x0E08, detail::kI32};
inline constexpr PropTag PidTagMessageStatus{0x0E17, detail::kI32};
inline constexpr PropTag PidTagItemTemporaryFlags{0x1097, detail::kI32};
inline constexpr PropTag PidTagBody{0x1000, detail::kText};
inline constexpr PropTag PidTagCreationTime{0x3007, detail::kTime};
inline constexpr PropTag PidTagLastModificationTime{0x3008, detail::kTime};
inline constexpr PropTag PidTagSecureSubmitFlags{0x65C6, detail::kI32};

// Replication columns of folder tables.
inline constexpr PropTag PidTagReplItemid{0x0E30, detail::kI32};
inline constexpr PropTag PidTagReplChangenum{0x0E33, detail::kI64};
inline constexpr PropTag PidTagReplVersionhistory{0x0E34, detail::kBin};
inline constexpr PropTag PidTagReplFlags{0x0E38, detail::kI32};
inline constexpr PropTag PidTagReplCopiedfromVersionhistory{0x0E3C, detail::kBin};
inline constexpr PropTag PidTagReplCopiedfromItemid{0x0E3D, detail::kBin};

// Recipients and attachments.
inline constexpr PropTag PidTagRecipientType{0x0C15, detail::kI32};
inline constexpr PropTag PidTagResponsibility{0x0E0F, detail::kBool};
inline constexpr PropTag PidTagObjectType{0x0FFE, detail::kI32};
inline constexpr PropTag PidTagEntryId{0x0FFF, detail::kBin};
inline constexpr PropTag PidTagAddressType{0x3002, detail::kText};
inline constexpr PropTag PidTagEmailAddress{0x3003, detail::kText};
inline constexpr PropTag PidTagDisplayType{0x3900, detail::kI32};
inline constexpr PropTag PidTag7BitDisplayName{0x39FF, detail::kText};
inline constexpr PropTag PidTagSendRichInfo{0x3A40, detail::kBool};
inline constexpr PropTag PidTagAttachSize{0x0E20, detail::kI32};
inline constexpr PropTag PidTagAttachFilename{0x3704, detail::kText};
inline constexpr PropTag PidTagAttachMethod{0x3705, detail::kI32};
inline constexpr PropTag PidTagRenderingPosition{0x370B, detail::kI32};
inline constexpr PropTag PidTagAttachNumber{0x0E21, detail::kI32};
inline constexpr PropTag PidTagAttachDataBinary{0x3701, detail::kBin};
inline constexpr PropTag PidTagAttachExtension{0x3703, detail::kText};
inline constexpr PropTag PidTagAttachLongFilename{0x3707, detail::kText};
inline constexpr PropTag PidTagAttachMimeTag{0x370E, detail::kText};
inline constexpr PropTag PidTagAttachContentId{0x3712, detail::kText};
inline constexpr PropTag PidTagAttachmentHidden{0x7FFE, detail::kBool};
inline constexpr PropTag PidTagAttachmentContactPhoto{0x7FFF, detail::kBool};
// PidTagAttachMethod: the attachment's bytes are its PidTagAttachDataBinary.
inline constexpr int32_t kAttachByValue = 1;

// Stores and folders.
inline constexpr PropTag PidTagRecordKey{0x0FF9, detail::kBin};
inline constexpr PropTag PidTagDisplayName{0x3001, detail::kText};
inline constexpr PropTag PidTagSearchKey{0x300B, detail::kBin};
inline constexpr PropTag PidTagStoreSupportMask{0x340D, detail::kI32};
inline constexpr PropTag PidTagValidFolderMask{0x35DF, detail::kI32};
inline constexpr PropTag PidTagIpmSubtreeEntryId{0x35E0, detail::kBin};
inline constexpr PropTag PidTagIpmWastebasketEntryId{0x35E3, detail::kBin};
inline constexpr PropTag PidTagFinderEntryId{0x35E7, detail::kBin};
inline constexpr PropTag PidTagContentCount{0x3602, detail::kI32};
inline constexpr PropTag PidTagContentUnreadCount{0x3603, detail::kI32};
inline constexpr PropTag PidTagSubfolders{0x360A, detail::kBool};
inline constexpr PropTag PidTagContainerClass{0x3613, detail::kText};
// Columns the PST's tables keep for themselves.
inline constexpr PropTag PidTagLtpParentNid{0x67F1, detail::kI32};
inline constexpr PropTag PidTagLtpRowId{0x67F2, detail::kI32};
inline constexpr PropTag PidTagLtpRowVer{0x67F3, detail::kI32};

// Contacts.
inline constexpr PropTag PidTagBusinessTelephoneNumber{0x3A08, detail::kText};
inline constexpr PropTag PidTagGivenName{0x3A06, detail::kText};
inline constexpr PropTag PidTagHomeTelephoneNumber{0x3A09, detail::kText};
inline constexpr PropTag PidTagInitials{0x3A0A, detail::kText};
inline constexpr PropTag PidTagSurname{0x3A11, detail::kText};
inline constexpr PropTag PidTagCompanyName{0x3A16, detail::kText};
inline constexpr PropTag PidTagTitle{0x3A17, detail::kText};
inline constexpr PropTag PidTagDepartmentName{0x3A18, detail::kText};
inline constexpr PropTag PidTagOfficeLocation{0x3A19, detail::kText};
inline constexpr PropTag PidTagPrimaryTelephoneNumber{0x3A1A, detail::kText};
inline constexpr PropTag PidTagBusiness2TelephoneNumber{0x3A1B, detail::kText};
inline constexpr PropTag PidTagMobileTelephoneNumber{0x3A1C, detail::kText};
inline constexpr PropTag PidTagBusinessFaxNumber{0x3A24, detail::kText};
inline constexpr PropTag PidTagHomeFaxNumber{0x3A25, detail::kText};
inline constexpr PropTag PidTagTelexNumber{0x3A2C, detail::kText};
inline constexpr PropTag PidTagHome2TelephoneNumber{0x3A2F, detail::kText};
inline constexpr PropTag PidTagAssistant{0x3A30, detail::kText};
inline constexpr PropTag PidTagWeddingAnniversary{0x3A41, detail::kTime};
inline constexpr PropTag PidTagBirthday{0x3A42, detail::kTime};
inline constexpr PropTag PidTagMiddleName{0x3A44, detail::kText};
inline constexpr PropTag PidTagDisplayNamePrefix{0x3A45, detail::kText};
inline constexpr PropTag PidTagProfession{0x3A46, detail::kText};
inline constexpr PropTag PidTagSpouseName{0x3A48, detail::kText};
inline constexpr PropTag PidTagManagerName{0x3A4E, detail::kText};
inline constexpr PropTag PidTagNickname{0x3A4F, detail::kText};
inline constexpr PropTag PidTagPersonalHomePage{0x3A50, detail::kText};
inline constexpr PropTag PidTagBusinessHomePage{0x3A51, detail::kText};
inline constexpr PropTag PidTagCompanyMainTelephoneNumber{0x3A57, detail::kText};
inline constexpr PropTag PidTagHomeAddressCountry{0x3A5A, detail::kText};
inline constexpr PropTag PidTagHomeAddressPostalCode{0x3A5B, detail::kText};
inline constexpr PropTag PidTagHomeAddressStateOrProvince{0x3A5C, detail::kText};
inline constexpr PropTag PidTagHomeAddressStreet{0x3A5D, detail::kText};
inline constexpr PropTag PidTagOtherAddressCity{0x3A5F, detail::kText};
inline constexpr PropTag PidTagOtherAddressPostalCode{0x3A61, detail::kText};

// Named properties of the contact set.
inline constexpr AddressLid PidLidFileUnder{0x8005, detail::kText};
inline constexpr AddressLid PidLidHasPicture{0x8015, detail::kBool};
inline constexpr AddressLid PidLidWorkAddressStreet{0x8045, detail::kText};
inline constexpr AddressLid PidLidWorkAddressCity{0x8046, detail::kText};
inline constexpr AddressLid PidLidWorkAddressState{0x8047, detail::kText};
inline constexpr AddressLid PidLidWorkAddressPostalCode{0x8048, detail::kText};
inline constexpr AddressLid PidLidAddressBookProviderEmailList{0x8028, detail::kMvI32};
inline constexpr AddressLid PidLidAddressBookProviderArrayType{0x8029, detail::kI32};
inline constexpr AddressLid PidLidEmail1DisplayName{0x8080, detail::kText};
inline constexpr AddressLid PidLidEmail1AddressType{0x8082, detail::kText};
inline constexpr AddressLid PidLidEmail1EmailAddress{0x8083, detail::kText};
inline constexpr AddressLid PidLidEmail1OriginalDisplayName{0x8084, detail::kText};
inline constexpr AddressLid PidLidEmail2DisplayName{0x8090, detail::kText};
inline constexpr AddressLid PidLidEmail2AddressType{0x8092, detail::kText};
inline constexpr AddressLid PidLidEmail2EmailAddress{0x8093, detail::kText};
inline constexpr AddressLid PidLidEmail2OriginalDisplayName{0x8094, detail::kText};
inline constexpr AddressLid PidLidEmail3DisplayName{0x80A0, detail::kText};
inline constexpr AddressLid PidLidEmail3AddressType{0x80A2, detail::kText};
inline constexpr AddressLid PidLidEmail3EmailAddress{0x80A3, detail::kText};
inline constexpr AddressLid PidLidEmail3OriginalDisplayName{0x80A4, detail::kText};

// Contacts: further names, telephone kinds and the addresses.
inline constexpr PropTag PidTagCallbackTelephoneNumber{0x3A02, detail::kText};
inline constexpr PropTag PidTagGeneration{0x3A05, detail::kText};
inline constexpr PropTag PidTagPostalAddress{0x3A15, detail::kText};
inline constexpr PropTag PidTagRadioTelephoneNumber{0x3A1D, detail::kText};
inline constexpr PropTag PidTagCarTelephoneNumber{0x3A1E, detail::kText};
inline constexpr PropTag PidTagOtherTelephoneNumber{0x3A1F, detail::kText};
inline constexpr PropTag PidTagPagerTelephoneNumber{0x3A21, detail::kText};
inline constexpr PropTag PidTagPrimaryFaxNumber{0x3A23, detail::kText};
// The mailing address: a copy of the address PidLidPostalAddressId selects.
// MAPI also names these the business address (PR_BUSINESS_ADDRESS_CITY is
// PR_LOCALITY), which they are when the business address is the mailing one.
inline constexpr PropTag PidTagCountry{0x3A26, detail::kText};
inline constexpr PropTag PidTagLocality{0x3A27, detail::kText};
inline constexpr PropTag PidTagStateOrProvince{0x3A28, detail::kText};
inline constexpr PropTag PidTagStreetAddress{0x3A29, detail::kText};
inline constexpr PropTag PidTagPostalCode{0x3A2A, detail::kText};
inline constexpr PropTag PidTagIsdnNumber{0x3A2D, detail::kText};
inline constexpr PropTag PidTagAssistantTelephoneNumber{0x3A2E, detail::kText};
inline constexpr PropTag PidTagTelecommunicationsDeviceForDeafTelephoneNumber{0x3A4B, detail::kText};
inline constexpr PropTag PidTagChildrensNames{0x3A58, detail::kMvText};
inline constexpr PropTag PidTagHomeAddressCity{0x3A59, detail::kText};
inline constexpr PropTag PidTagOtherAddressCountry{0x3A60, detail::kText};
inline constexpr PropTag PidTagOtherAddressStateOrProvince{0x3A62, detail::kText};
inline constexpr PropTag PidTagOtherAddressStreet{0x3A63, detail::kText};

inline constexpr AddressLid PidLidHomeAddress{0x801A, detail::kText};
inline constexpr AddressLid PidLidWorkAddress{0x801B, detail::kText};
inline constexpr AddressLid PidLidOtherAddress{0x801C, detail::kText};
inline constexpr AddressLid PidLidPostalAddressId{0x8022, detail::kI32};
inline constexpr AddressLid PidLidWorkAddressCountry{0x8049, detail::kText};
// Birthday and anniversary as 00:00 UTC of the date itself, beside the
// PidTag values that hold the date's local midnight in UTC.
inline constexpr AddressLid PidLidBirthdayLocal{0x80DE, detail::kTime};
inline constexpr AddressLid PidLidWeddingAnniversaryLocal{0x80DF, detail::kTime};

// PidLidPostalAddressId values: which address is the mailing address.
inline constexpr int32_t kPostalAddressNone = 0;
inline constexpr int32_t kPostalAddressHome = 1;
inline constexpr int32_t kPostalAddressWork = 2;
inline constexpr int32_t kPostalAddressOther = 3;

// The categories of an item.
inline constexpr PublicStringName PidNameKeywords{"Keywords", detail::kMvText};

// The mapping of named properties to the ids items use for them, as PST
// stores and MSG files both keep it: properties (streams) of the map, and
// what their 8-byte entries say.
namespace nameid {
inline constexpr uint16_t kFirstNamedId = 0x8000;  // the id of the name with index 0
inline constexpr uint16_t kMaxIndex = 0x7FFF;
inline constexpr uint16_t kGuidStreamId = 0x0002;
inline constexpr uint16_t kEntryStreamId = 0x0003;
inline constexpr uint16_t kStringStreamId = 0x0004;
inline constexpr uint16_t kFirstBucketId = 0x1000;  // hash buckets from here on
inline constexpr uint16_t kGuidIndexPsMapi = 1;
inline constexpr uint16_t kGuidIndexPublicStrings = 2;
inline constexpr uint16_t kGuidIndexFirstStream = 3;  // the first GUID of the GUID stream
inline constexpr uint16_t kKindString = 1;  // bit 0 of the GUID index field
inline constexpr size_t kEntrySize = 8;
}  // namespace nameid

// PidTagMessageFlags bits.
inline constexpr int32_t kMsgFlagRead = 0x0001;
inline constexpr int32_t kMsgFlagUnsent = 0x0008;
inline constexpr int32_t kMsgFlagHasAttach = 0x0010;

}  // namespace mapi
