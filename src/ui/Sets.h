#pragma once
// Sets of a small enumeration (font styles, anchors, border icons, shift state), as the system
// writes them: {fsBold, fsItalic}.

#include <cstdint>
#include <initializer_list>

template <class E>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> members) {
    for (E member : members) Include(member);
  }

  constexpr bool Contains(E member) const { return (bits_ & Bit(member)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr TSet& Include(E member) {
    bits_ |= Bit(member);
    return *this;
  }
  constexpr TSet& Exclude(E member) {
    bits_ &= ~Bit(member);
    return *this;
  }
  friend constexpr bool operator==(TSet a, TSet b) { return a.bits_ == b.bits_; }

 private:
  static constexpr std::uint32_t Bit(E member) {
    return std::uint32_t{1} << static_cast<unsigned>(member);
  }
  std::uint32_t bits_ = 0;
};
