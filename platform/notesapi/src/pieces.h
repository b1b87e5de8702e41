// A growing sequence kept in pieces of a megabyte each: nothing is copied as
// it grows, what it holds never moves, and at most one piece is partly
// empty. For the index's per-document tables, where a deque's small blocks
// would cost a tenth more than the records themselves.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

namespace notesapi {

template <typename T>
class Pieces {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
    static constexpr size_t kPieceBytes = size_t(1) << 20;

    // Each piece is a mapping of its own: freed, its memory goes back to the
    // system at once, whichever thread made it (a thread's own malloc arena
    // would keep it).
    struct Unmap {
        void operator()(T* p) const { ::munmap(p, kPieceBytes); }
    };
    using Piece = std::unique_ptr<T[], Unmap>;
    static Piece NewPiece() {
        void* p = ::mmap(nullptr, kPieceBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        return Piece(static_cast<T*>(p));
    }

public:
    static constexpr size_t kPerPiece = kPieceBytes / sizeof(T);

    size_t size() const { return size_; }
    // Memory the pieces take.
    uint64_t Bytes() const { return uint64_t(pieces_.size()) * kPieceBytes; }
    bool empty() const { return size_ == 0; }
    T& operator[](size_t i) { return pieces_[i / kPerPiece][i % kPerPiece]; }
    const T& operator[](size_t i) const { return pieces_[i / kPerPiece][i % kPerPiece]; }
    T& back() { return (*this)[size_ - 1]; }
    const T& back() const { return (*this)[size_ - 1]; }

    void push_back(const T& value) {
        if (size_ == pieces_.size() * kPerPiece) pieces_.push_back(NewPiece());
        (*this)[size_++] = value;
    }

    // Appends what other holds, each element after adjust(element), and
    // frees other's pieces as it goes: joining two sequences costs at most
    // a piece more than they held.
    template <typename Adjust>
    void AppendFrom(Pieces&& other, Adjust adjust) {
        for (size_t i = 0; i < other.size_; ++i) {
            T value = other[i];
            adjust(value);
            push_back(value);
            if ((i + 1) % kPerPiece == 0) other.pieces_[i / kPerPiece].reset();
        }
        other.pieces_.clear();
        other.size_ = 0;
    }

private:
    std::vector<Piece> pieces_;
    size_t size_ = 0;
};

}  // namespace notesapi
