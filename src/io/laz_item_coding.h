#pragma once

// What the LASzip item coders of both kinds share: little-endian fields, wrapping arithmetic,
// the streaming median and return-number contexts that predict coordinates, GPS time sequences
// and colours.

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "io/arithmetic_decoder.h"
#include "io/integer_decompressor.h"

namespace roofplanes::laz {

inline std::uint16_t load16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
inline std::uint32_t load32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}
inline std::uint64_t load64(const std::uint8_t* p) { return load32(p) | std::uint64_t{load32(p + 4)} << 32; }
inline void store16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void store32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void store64(std::uint8_t* p, std::uint64_t v) {
  store32(p, static_cast<std::uint32_t>(v));
  store32(p + 4, static_cast<std::uint32_t>(v >> 32));
}
inline std::int32_t wrap_add(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
inline std::int32_t wrap_mul(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}
inline std::uint8_t fold(std::int32_t n) { return static_cast<std::uint8_t>(n); }  // modulo 256
inline std::uint8_t clamp_byte(std::int32_t n) { return static_cast<std::uint8_t>(n < 0 ? 0 : n > 255 ? 255 : n); }
inline std::uint32_t zero_bit_0(std::uint32_t n) { return n & ~1u; }

// Stops decoding a chunk that cannot be what its bytes claim.
[[noreturn]] inline void damaged(const std::string& what) { throw std::runtime_error(what); }

// Median of the last five values, kept the way the coder keeps it (a prediction, not an exact
// running median).
class StreamingMedian5 {
 public:
  void add(std::int32_t v) {
    auto& s = values_;
    if (high_) {
      if (v < s[2]) {
        s[4] = s[3];
        s[3] = s[2];
        if (v < s[0]) {
          s[2] = s[1];
          s[1] = s[0];
          s[0] = v;
        } else if (v < s[1]) {
          s[2] = s[1];
          s[1] = v;
        } else {
          s[2] = v;
        }
      } else {
        if (v < s[3]) {
          s[4] = s[3];
          s[3] = v;
        } else {
          s[4] = v;
        }
        high_ = false;
      }
    } else {
      if (s[2] < v) {
        s[0] = s[1];
        s[1] = s[2];
        if (s[4] < v) {
          s[2] = s[3];
          s[3] = s[4];
          s[4] = v;
        } else if (s[3] < v) {
          s[2] = s[3];
          s[3] = v;
        } else {
          s[2] = v;
        }
      } else {
        if (s[1] < v) {
          s[0] = s[1];
          s[1] = v;
        } else {
          s[0] = v;
        }
        high_ = true;
      }
    }
  }
  std::int32_t get() const { return values_[2]; }

 private:
  std::array<std::int32_t, 5> values_{};
  bool high_ = true;
};

// Contexts from the return number r and the number of returns n (3 bits each).
inline constexpr std::uint8_t kReturnMap[8][8] = {
    {15, 14, 13, 12, 11, 10, 9, 8}, {14, 0, 1, 3, 6, 10, 10, 9},   {13, 1, 2, 4, 7, 11, 11, 10},
    {12, 3, 4, 5, 8, 12, 12, 11},   {11, 6, 7, 8, 9, 13, 13, 12},  {10, 10, 11, 12, 13, 14, 14, 13},
    {9, 10, 11, 12, 13, 14, 15, 14}, {8, 9, 10, 11, 12, 13, 14, 15}};
inline constexpr std::uint8_t kReturnLevel[8][8] = {
    {0, 1, 2, 3, 4, 5, 6, 7}, {1, 0, 1, 2, 3, 4, 5, 6}, {2, 1, 0, 1, 2, 3, 4, 5}, {3, 2, 1, 0, 1, 2, 3, 4},
    {4, 3, 2, 1, 0, 1, 2, 3}, {5, 4, 3, 2, 1, 0, 1, 2}, {6, 5, 4, 3, 2, 1, 0, 1}, {7, 6, 5, 4, 3, 2, 1, 0}};
// The same for 4-bit returns (point formats 6-10), folded into 6 and 8 contexts.
inline constexpr std::uint8_t kReturnMap6[16][16] = {
    {0, 1, 2, 3, 4, 5, 3, 4, 4, 5, 5, 5, 5, 5, 5, 5}, {1, 0, 1, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3},
    {2, 1, 2, 4, 4, 4, 4, 4, 4, 4, 4, 3, 3, 3, 3, 3}, {3, 3, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4},
    {4, 3, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4}, {5, 3, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4},
    {3, 3, 4, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4, 4}, {4, 3, 4, 4, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4},
    {4, 3, 4, 4, 4, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4}, {5, 3, 4, 4, 4, 4, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4},
    {5, 3, 4, 4, 4, 4, 4, 4, 4, 4, 5, 4, 4, 4, 4, 4}, {5, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 4, 4, 4},
    {5, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 5, 4, 4}, {5, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 5, 4},
    {5, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 5}, {5, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5}};
inline constexpr std::uint8_t kReturnLevel8[16][16] = {
    {0, 1, 2, 3, 4, 5, 6, 7, 7, 7, 7, 7, 7, 7, 7, 7}, {1, 0, 1, 2, 3, 4, 5, 6, 7, 7, 7, 7, 7, 7, 7, 7},
    {2, 1, 0, 1, 2, 3, 4, 5, 6, 7, 7, 7, 7, 7, 7, 7}, {3, 2, 1, 0, 1, 2, 3, 4, 5, 6, 7, 7, 7, 7, 7, 7},
    {4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6, 7, 7, 7, 7, 7}, {5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6, 7, 7, 7, 7},
    {6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6, 7, 7, 7}, {7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6, 7, 7},
    {7, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6, 7}, {7, 7, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6},
    {7, 7, 7, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5}, {7, 7, 7, 7, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4},
    {7, 7, 7, 7, 7, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3}, {7, 7, 7, 7, 7, 7, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2},
    {7, 7, 7, 7, 7, 7, 7, 7, 6, 5, 4, 3, 2, 1, 0, 1}, {7, 7, 7, 7, 7, 7, 7, 7, 7, 6, 5, 4, 3, 2, 1, 0}};

// A model made on first use: most of the 256 possible contexts never occur in a chunk.
inline SymbolModel& lazy_model(std::unique_ptr<SymbolModel>& slot, std::uint32_t symbols) {
  if (!slot) slot = std::make_unique<SymbolModel>(symbols);
  return *slot;
}

// Four interleaved sequences of GPS times, each predicted from its last difference. The
// pointwise and the layered coders differ only in where "unchanged" is coded.
class GpsTimeDecoder {
 public:
  GpsTimeDecoder(std::uint64_t first, bool layered)
      : layered_(layered),
        multi_(layered ? kMultiTotal - 1 : kMultiTotal),
        zero_diff_(layered ? 5 : 6),
        code_full_(layered ? kMulti - kMultiMinus + 1 : kMulti - kMultiMinus + 2) {
    times_[0] = static_cast<std::int64_t>(first);
  }

  std::uint64_t decode(ArithmeticDecoder& dec) {
    // A switch to another sequence is followed by the value in it; a damaged stream might
    // switch on and on, which the bound stops.
    for (int round = 0; round < 8; ++round)
      if (decode_once(dec)) return static_cast<std::uint64_t>(times_[last_]);
    damaged("GPS time sequence switches without end");
  }

 private:
  static constexpr std::int32_t kMulti = 500, kMultiMinus = -10;
  static constexpr std::int32_t kMultiUnchanged = kMulti - kMultiMinus + 1;
  static constexpr std::uint32_t kMultiTotal = kMulti - kMultiMinus + 6;

  void new_sequence(ArithmeticDecoder& dec) {
    next_ = (next_ + 1) & 3;
    const std::int32_t high = ic_.decompress(dec, static_cast<std::int32_t>(static_cast<std::uint64_t>(times_[last_]) >> 32), 8);
    const std::uint64_t value = static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32 | dec.read_int();
    times_[next_] = static_cast<std::int64_t>(value);
    last_ = next_;
    diffs_[last_] = 0;
    extreme_[last_] = 0;
  }
  void add(std::int32_t diff) {
    times_[last_] = static_cast<std::int64_t>(static_cast<std::uint64_t>(times_[last_]) +
                                              static_cast<std::uint64_t>(std::int64_t{diff}));
  }
  void count_extreme(std::int32_t diff) {
    if (++extreme_[last_] > 3) {
      diffs_[last_] = diff;
      extreme_[last_] = 0;
    }
  }

  // One symbol; false when it only switched sequences.
  bool decode_once(ArithmeticDecoder& dec) {
    if (diffs_[last_] == 0) {
      std::int32_t multi = static_cast<std::int32_t>(dec.decode_symbol(zero_diff_));
      if (!layered_) {
        if (multi == 0) return true;  // unchanged
        --multi;
      }
      if (multi == 0) {  // a difference of 32 bits
        diffs_[last_] = ic_.decompress(dec, 0, 0);
        add(diffs_[last_]);
        extreme_[last_] = 0;
      } else if (multi == 1) {  // a jump: a new sequence
        new_sequence(dec);
      } else {
        last_ = (last_ + static_cast<std::uint32_t>(multi) - 1) & 3;
        return false;
      }
      return true;
    }
    std::int32_t multi = static_cast<std::int32_t>(dec.decode_symbol(multi_));
    const std::int32_t last_diff = diffs_[last_];
    if (multi == 1) {
      add(ic_.decompress(dec, last_diff, 1));
      extreme_[last_] = 0;
    } else if (multi < (layered_ ? code_full_ : kMultiUnchanged)) {
      std::int32_t diff;
      if (multi == 0) {
        diff = ic_.decompress(dec, 0, 7);
        count_extreme(diff);
      } else if (multi < kMulti) {
        diff = ic_.decompress(dec, wrap_mul(multi, last_diff), multi < 10 ? 2 : 3);
      } else if (multi == kMulti) {
        diff = ic_.decompress(dec, wrap_mul(kMulti, last_diff), 4);
        count_extreme(diff);
      } else {
        multi = kMulti - multi;
        if (multi > kMultiMinus) {
          diff = ic_.decompress(dec, wrap_mul(multi, last_diff), 5);
        } else {
          diff = ic_.decompress(dec, wrap_mul(kMultiMinus, last_diff), 6);
          count_extreme(diff);
        }
      }
      add(diff);
    } else if (multi == code_full_) {
      new_sequence(dec);
    } else if (multi > code_full_) {
      last_ = (last_ + static_cast<std::uint32_t>(multi - code_full_)) & 3;
      return false;
    }
    // multi == kMultiUnchanged (pointwise coder): the time stays.
    return true;
  }

  bool layered_;
  SymbolModel multi_, zero_diff_;
  std::int32_t code_full_;
  IntegerDecompressor ic_{32, 9};
  std::uint32_t last_ = 0, next_ = 0;
  std::array<std::int64_t, 4> times_{};
  std::array<std::int32_t, 4> diffs_{};
  std::array<std::int32_t, 4> extreme_{};
};

// Colours: the low and high bytes of red, then green and blue predicted from red's change.
struct RgbModels {
  SymbolModel byte_used{128};
  SymbolModel diff[6] = {SymbolModel(256), SymbolModel(256), SymbolModel(256),
                         SymbolModel(256), SymbolModel(256), SymbolModel(256)};
};

// Decodes a colour (three 16-bit values) coded against `last` into item.
void decode_rgb(ArithmeticDecoder& dec, RgbModels& models, const std::uint16_t* last, std::uint16_t* item);

}  // namespace roofplanes::laz
