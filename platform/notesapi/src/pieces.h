// A growing sequence kept in pieces of about a megabyte each: nothing is
// copied as it grows, what it holds never moves, and at most one piece is
// partly empty. For the index's per-document tables, where a deque's small
// blocks would cost a tenth more than the records themselves.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace notesapi {

template <typename T>
class Pieces {
public:
    // Elements a piece, so that a piece and its allocation header fill whole pages.
    static constexpr size_t kPerPiece = ((size_t(1) << 20) - 64) / sizeof(T);

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T& operator[](size_t i) { return pieces_[i / kPerPiece][i % kPerPiece]; }
    const T& operator[](size_t i) const { return pieces_[i / kPerPiece][i % kPerPiece]; }
    T& back() { return (*this)[size_ - 1]; }
    const T& back() const { return (*this)[size_ - 1]; }

    void push_back(const T& value) {
        if (size_ == pieces_.size() * kPerPiece) pieces_.push_back(std::make_unique<T[]>(kPerPiece));
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
    std::vector<std::unique_ptr<T[]>> pieces_;
    size_t size_ = 0;
};

}  // namespace notesapi
