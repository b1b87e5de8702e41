// The values of an item one after another in one text, with where each
// ends: a rich text of hundreds of thousands of lines is a few allocations,
// not one a line (which, freed, an allocator may keep for a while).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace notesapi {

class TextLines {
public:
    void push_back(std::string_view value) {
        text_.append(value);
        ends_.push_back(text_.size());
    }
    // A long first value is taken whole, not copied: a text item of tens of
    // megabytes is not held twice while it is read. One in a buffer more
    // than twice its size is copied, and the buffer kept for the next.
    void push_back(std::string&& value) {
        constexpr size_t kTakenFrom = 4096;
        if (!text_.empty() || value.size() < kTakenFrom || value.capacity() / 2 > value.size())
            return push_back(std::string_view(value));
        text_ = std::move(value);
        ends_.push_back(text_.size());
    }
    size_t size() const { return ends_.size(); }
    bool empty() const { return ends_.empty(); }
    // Valid while the lines are not changed.
    std::string_view operator[](size_t i) const {
        const size_t begin = i == 0 ? 0 : ends_[i - 1];
        return std::string_view(text_).substr(begin, ends_[i] - begin);
    }
    std::string_view front() const { return (*this)[0]; }
    // The bytes of every value together.
    size_t TextSize() const { return text_.size(); }
    // Each value as a string of its own, cut to maxEach bytes.
    std::vector<std::string> ToVector(size_t maxEach = std::string::npos) const {
        std::vector<std::string> out;
        out.reserve(size());
        for (size_t i = 0; i < size(); ++i) out.emplace_back((*this)[i].substr(0, maxEach));
        return out;
    }

    class const_iterator {
    public:
        const_iterator(const TextLines* lines, size_t i) : lines_(lines), i_(i) {}
        std::string_view operator*() const { return (*lines_)[i_]; }
        const_iterator& operator++() {
            ++i_;
            return *this;
        }
        bool operator==(const const_iterator& other) const = default;

    private:
        const TextLines* lines_;
        size_t i_;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

private:
    std::string text_;
    std::vector<size_t> ends_;
};

}  // namespace notesapi
