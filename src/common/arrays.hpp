// One-based arrays. The physics is written with shell 1 at the core boundary
// and shell nf at the surface, and with x(k, i) holding the k-th structure
// variable of shell i; these accessors keep that indexing in one place.
// Builds with VELKARO_CHECK_BOUNDS (the sanitizer build) check every index.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace velkaro {

#if defined(VELKARO_CHECK_BOUNDS)
[[noreturn]] inline void index_out_of_range(long i, long lo, long hi) {
    std::fprintf(stderr, "velkaro: index %ld outside [%ld, %ld]\n", i, lo, hi);
    std::abort();
}
#define VELKARO_INDEX_CHECK(i, lo, hi) \
    do {                                \
        if ((i) < (lo) || (i) > (hi)) ::velkaro::index_out_of_range((i), (lo), (hi)); \
    } while (0)
#else
#define VELKARO_INDEX_CHECK(i, lo, hi) ((void)0)
#endif

/// Heap-held one-based vector of fixed capacity n: a(1) .. a(n).
template <typename T>
class Vec1 {
public:
    Vec1() = default;
    explicit Vec1(int n, T v = T{}) : d_(static_cast<std::size_t>(n), v) {}
    /// The values of v as a(1) .. a(v.size()), taken over without a copy.
    explicit Vec1(std::vector<T>&& v) : d_(std::move(v)) {}
    T& operator()(int i) {
        VELKARO_INDEX_CHECK(i, 1, size());
        return d_[static_cast<std::size_t>(i - 1)];
    }
    const T& operator()(int i) const {
        VELKARO_INDEX_CHECK(i, 1, size());
        return d_[static_cast<std::size_t>(i - 1)];
    }
    int size() const { return static_cast<int>(d_.size()); }
    void fill(T v) { std::fill(d_.begin(), d_.end(), v); }
    /// Pointer to element 1 (for routines that take a plain array).
    T* data() { return d_.data(); }
    const T* data() const { return d_.data(); }
    bool operator==(const Vec1&) const = default;

private:
    std::vector<T> d_;
};

/// One-based matrix m(k, i), k = 1..rows, i = 1..cols, stored column by
/// column so that the rows of one column (one shell) are contiguous.
template <typename T>
class Mat1 {
public:
    Mat1() = default;
    Mat1(int rows, int cols, T v = T{})
        : rows_(rows), cols_(cols), d_(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols), v) {}
    T& operator()(int k, int i) {
        VELKARO_INDEX_CHECK(k, 1, rows_);
        VELKARO_INDEX_CHECK(i, 1, cols_);
        return d_[static_cast<std::size_t>(k - 1) + static_cast<std::size_t>(rows_) * static_cast<std::size_t>(i - 1)];
    }
    const T& operator()(int k, int i) const {
        VELKARO_INDEX_CHECK(k, 1, rows_);
        VELKARO_INDEX_CHECK(i, 1, cols_);
        return d_[static_cast<std::size_t>(k - 1) + static_cast<std::size_t>(rows_) * static_cast<std::size_t>(i - 1)];
    }
    /// Pointer to x(1, i): the rows of column i are contiguous.
    T* column(int i) {
        VELKARO_INDEX_CHECK(i, 1, cols_);
        return d_.data() + static_cast<std::size_t>(rows_) * static_cast<std::size_t>(i - 1);
    }
    const T* column(int i) const {
        VELKARO_INDEX_CHECK(i, 1, cols_);
        return d_.data() + static_cast<std::size_t>(rows_) * static_cast<std::size_t>(i - 1);
    }
    int rows() const { return rows_; }
    int cols() const { return cols_; }
    void fill(T v) { std::fill(d_.begin(), d_.end(), v); }
    bool operator==(const Mat1&) const = default;

private:
    int rows_ = 0, cols_ = 0;
    std::vector<T> d_;
};

/// Fixed-size one-based array on the stack: a(1) .. a(N).
template <typename T, int N>
struct Arr1 {
    std::array<T, N> d{};
    T& operator()(int i) {
        VELKARO_INDEX_CHECK(i, 1, N);
        return d[static_cast<std::size_t>(i - 1)];
    }
    const T& operator()(int i) const {
        VELKARO_INDEX_CHECK(i, 1, N);
        return d[static_cast<std::size_t>(i - 1)];
    }
    static constexpr int size() { return N; }
    bool operator==(const Arr1&) const = default;
};

}  // namespace velkaro
