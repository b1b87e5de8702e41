// The identities a Notes database gives its documents and itself: a
// document's universal id (the same in every replica), its originator id
// (the universal id with the sequence number and time of its last edit) and
// the database's replica id.
#pragma once

#include <notesapi/lnitems.h>
#include <notesapi/lnstring.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// 16 bytes, written as 32 hexadecimal digits.
class LNUniversalID {
public:
    LNUniversalID() = default;
    // From 32 hexadecimal digits (either case); anything else gives a null id.
    explicit LNUniversalID(std::string_view text);

    bool IsNull() const { return null_; }
    // 32 upper-case hexadecimal digits; empty for a null id.
    LNString GetText() const;
    bool operator==(const LNUniversalID&) const = default;

private:
    std::array<uint8_t, 16> bytes_{};
    bool null_ = true;
};

class LNOriginatorID {
public:
    LNOriginatorID() = default;
    LNOriginatorID(LNUniversalID unid, uint32_t sequence, LNDatetime sequenceTime)
        : unid_(unid), sequence_(sequence), sequenceTime_(sequenceTime) {}

    LNUniversalID GetUniversalID() const { return unid_; }
    // How often the document was edited: every replica's edit raises it.
    uint32_t GetSequence() const { return sequence_; }
    // When the edit that set the sequence number was made.
    LNDatetime GetSequenceTime() const { return sequenceTime_; }

private:
    LNUniversalID unid_;
    uint32_t sequence_ = 0;
    LNDatetime sequenceTime_;
};

// 8 bytes, written as 16 hexadecimal digits; every replica of a database shares it.
class LNReplicaID {
public:
    LNReplicaID() = default;
    // From 16 hexadecimal digits (either case); anything else gives a null id.
    explicit LNReplicaID(std::string_view text);

    bool IsNull() const { return text_.empty(); }
    // 16 upper-case hexadecimal digits; empty for a null id.
    LNString GetText() const { return LNString(text_); }

private:
    std::string text_;
};
