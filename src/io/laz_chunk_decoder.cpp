#include "io/laz_chunk_decoder.h"

#include <array>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "io/arithmetic_decoder.h"
#include "io/integer_decompressor.h"

namespace roofplanes::laz {
namespace {

std::uint16_t load16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t load32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}
std::uint64_t load64(const std::uint8_t* p) { return load32(p) | std::uint64_t{load32(p + 4)} << 32; }
void store16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void store32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void store64(std::uint8_t* p, std::uint64_t v) {
  store32(p, static_cast<std::uint32_t>(v));
  store32(p + 4, static_cast<std::uint32_t>(v >> 32));
}
std::int32_t wrap_add(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
std::int32_t wrap_mul(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}
std::uint8_t fold(std::int32_t n) { return static_cast<std::uint8_t>(n); }  // modulo 256
std::uint8_t clamp_byte(std::int32_t n) { return static_cast<std::uint8_t>(n < 0 ? 0 : n > 255 ? 255 : n); }
std::uint32_t zero_bit_0(std::uint32_t n) { return n & ~1u; }

[[noreturn]] void damaged(const std::string& what) { throw std::runtime_error(what); }

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
constexpr std::uint8_t kReturnMap[8][8] = {
    {15, 14, 13, 12, 11, 10, 9, 8}, {14, 0, 1, 3, 6, 10, 10, 9},   {13, 1, 2, 4, 7, 11, 11, 10},
    {12, 3, 4, 5, 8, 12, 12, 11},   {11, 6, 7, 8, 9, 13, 13, 12},  {10, 10, 11, 12, 13, 14, 14, 13},
    {9, 10, 11, 12, 13, 14, 15, 14}, {8, 9, 10, 11, 12, 13, 14, 15}};
constexpr std::uint8_t kReturnLevel[8][8] = {
    {0, 1, 2, 3, 4, 5, 6, 7}, {1, 0, 1, 2, 3, 4, 5, 6}, {2, 1, 0, 1, 2, 3, 4, 5}, {3, 2, 1, 0, 1, 2, 3, 4},
    {4, 3, 2, 1, 0, 1, 2, 3}, {5, 4, 3, 2, 1, 0, 1, 2}, {6, 5, 4, 3, 2, 1, 0, 1}, {7, 6, 5, 4, 3, 2, 1, 0}};
// The same for 4-bit returns (point formats 6-10), folded into 6 and 8 contexts.
constexpr std::uint8_t kReturnMap6[16][16] = {
    {0, 1, 2, 3, 4, 5, 3, 4, 4, 5, 5, 5, 5, 5, 5, 5}, {1, 0, 1, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3},
    {2, 1, 2, 4, 4, 4, 4, 4, 4, 4, 4, 3, 3, 3, 3, 3}, {3, 3, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4},
    {4, 3, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4}, {5, 3, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4},
    {3, 3, 4, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4, 4}, {4, 3, 4, 4, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4},
    {4, 3, 4, 4, 4, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4}, {5, 3, 4, 4, 4, 4, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4},
    {5, 3, 4, 4, 4, 4, 4, 4, 4, 4, 5, 4, 4, 4, 4, 4}, {5, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 4, 4, 4},
    {5, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 5, 4, 4}, {5, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 5, 4},
    {5, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 5}, {5, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5}};
constexpr std::uint8_t kReturnLevel8[16][16] = {
    {0, 1, 2, 3, 4, 5, 6, 7, 7, 7, 7, 7, 7, 7, 7, 7}, {1, 0, 1, 2, 3, 4, 5, 6, 7, 7, 7, 7, 7, 7, 7, 7},
    {2, 1, 0, 1, 2, 3, 4, 5, 6, 7, 7, 7, 7, 7, 7, 7}, {3, 2, 1, 0, 1, 2, 3, 4, 5, 6, 7, 7, 7, 7, 7, 7},
    {4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6, 7, 7, 7, 7, 7}, {5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6, 7, 7, 7, 7},
    {6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6, 7, 7, 7}, {7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6, 7, 7},
    {7, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6, 7}, {7, 7, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6},
    {7, 7, 7, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5}, {7, 7, 7, 7, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4},
    {7, 7, 7, 7, 7, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3}, {7, 7, 7, 7, 7, 7, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2},
    {7, 7, 7, 7, 7, 7, 7, 7, 6, 5, 4, 3, 2, 1, 0, 1}, {7, 7, 7, 7, 7, 7, 7, 7, 7, 6, 5, 4, 3, 2, 1, 0}};

// A model made on first use: most of the 256 possible contexts never occur in a chunk.
SymbolModel& lazy_model(std::unique_ptr<SymbolModel>& slot, std::uint32_t symbols) {
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

// ---------------------------------------------------------------------------------------------
// Pointwise items (version 2), all in one stream.

class PointwiseItem {
 public:
  virtual ~PointwiseItem() = default;
  virtual void decode(ArithmeticDecoder& dec, std::uint8_t* out) = 0;
};

class Point10Item final : public PointwiseItem {
 public:
  explicit Point10Item(const std::uint8_t* first) { std::memcpy(last_, first, 20); }

  void decode(ArithmeticDecoder& dec, std::uint8_t* out) override {
    const std::uint32_t changed = dec.decode_symbol(changed_values_);
    std::uint32_t r, n, m, l;
    if (changed) {
      if (changed & 32) last_[14] = static_cast<std::uint8_t>(dec.decode_symbol(lazy_model(bit_byte_[last_[14]], 256)));
      r = last_[14] & 7;
      n = (last_[14] >> 3) & 7;
      m = kReturnMap[n][r];
      l = kReturnLevel[n][r];
      std::uint16_t intensity;
      if (changed & 16) {
        intensity = static_cast<std::uint16_t>(ic_intensity_.decompress(dec, last_intensity_[m], m < 3 ? m : 3));
        last_intensity_[m] = intensity;
      } else {
        intensity = last_intensity_[m];
      }
      store16(last_ + 12, intensity);
      if (changed & 8)
        last_[15] = static_cast<std::uint8_t>(dec.decode_symbol(lazy_model(classification_[last_[15]], 256)));
      if (changed & 4) {
        const std::int32_t v = static_cast<std::int32_t>(dec.decode_symbol(scan_angle_rank_[(last_[14] >> 6) & 1]));
        last_[16] = fold(v + last_[16]);
      }
      if (changed & 2) last_[17] = static_cast<std::uint8_t>(dec.decode_symbol(lazy_model(user_data_[last_[17]], 256)));
      if (changed & 1)
        store16(last_ + 18, static_cast<std::uint16_t>(ic_point_source_.decompress(dec, load16(last_ + 18))));
    } else {
      r = last_[14] & 7;
      n = (last_[14] >> 3) & 7;
      m = kReturnMap[n][r];
      l = kReturnLevel[n][r];
      store16(last_ + 12, last_intensity_[m]);
    }

    std::int32_t median = x_median_[m].get();
    std::int32_t diff = ic_dx_.decompress(dec, median, n == 1);
    store32(last_, static_cast<std::uint32_t>(wrap_add(static_cast<std::int32_t>(load32(last_)), diff)));
    x_median_[m].add(diff);

    median = y_median_[m].get();
    std::uint32_t k_bits = ic_dx_.k();
    diff = ic_dy_.decompress(dec, median, (n == 1) + (k_bits < 20 ? zero_bit_0(k_bits) : 20));
    store32(last_ + 4, static_cast<std::uint32_t>(wrap_add(static_cast<std::int32_t>(load32(last_ + 4)), diff)));
    y_median_[m].add(diff);

    k_bits = (ic_dx_.k() + ic_dy_.k()) / 2;
    const std::int32_t z = ic_z_.decompress(dec, last_height_[l], (n == 1) + (k_bits < 18 ? zero_bit_0(k_bits) : 18));
    store32(last_ + 8, static_cast<std::uint32_t>(z));
    last_height_[l] = z;
    std::memcpy(out, last_, 20);
  }

 private:
  std::uint8_t last_[20];
  std::uint16_t last_intensity_[16] = {};
  std::int32_t last_height_[8] = {};
  StreamingMedian5 x_median_[16], y_median_[16];
  SymbolModel changed_values_{64};
  IntegerDecompressor ic_intensity_{16, 4};
  SymbolModel scan_angle_rank_[2] = {SymbolModel(256), SymbolModel(256)};
  IntegerDecompressor ic_point_source_{16};
  std::unique_ptr<SymbolModel> bit_byte_[256], classification_[256], user_data_[256];
  IntegerDecompressor ic_dx_{32, 2}, ic_dy_{32, 22}, ic_z_{32, 20};
};

class GpsTime11Item final : public PointwiseItem {
 public:
  explicit GpsTime11Item(const std::uint8_t* first) : gps_(load64(first), false) {}
  void decode(ArithmeticDecoder& dec, std::uint8_t* out) override { store64(out, gps_.decode(dec)); }

 private:
  GpsTimeDecoder gps_;
};

// Colours: the low and high bytes of red, then green and blue predicted from red's change.
struct RgbModels {
  SymbolModel byte_used{128};
  SymbolModel diff[6] = {SymbolModel(256), SymbolModel(256), SymbolModel(256),
                         SymbolModel(256), SymbolModel(256), SymbolModel(256)};
};

void decode_rgb(ArithmeticDecoder& dec, RgbModels& models, const std::uint16_t* last, std::uint16_t* item) {
  const std::uint32_t sym = dec.decode_symbol(models.byte_used);
  auto corr = [&](int i) { return static_cast<std::int32_t>(dec.decode_symbol(models.diff[i])); };
  if (sym & 1)
    item[0] = fold(corr(0) + (last[0] & 255));
  else
    item[0] = last[0] & 0xFF;
  if (sym & 2)
    item[0] |= static_cast<std::uint16_t>(fold(corr(1) + (last[0] >> 8)) << 8);
  else
    item[0] |= last[0] & 0xFF00;
  if (sym & 64) {
    std::int32_t diff = (item[0] & 0x00FF) - (last[0] & 0x00FF);
    if (sym & 4)
      item[1] = fold(corr(2) + clamp_byte(diff + (last[1] & 255)));
    else
      item[1] = last[1] & 0xFF;
    if (sym & 16) {
      const std::int32_t c = corr(4);
      diff = (diff + ((item[1] & 0x00FF) - (last[1] & 0x00FF))) / 2;
      item[2] = fold(c + clamp_byte(diff + (last[2] & 255)));
    } else {
      item[2] = last[2] & 0xFF;
    }
    diff = (item[0] >> 8) - (last[0] >> 8);
    if (sym & 8)
      item[1] |= static_cast<std::uint16_t>(fold(corr(3) + clamp_byte(diff + (last[1] >> 8))) << 8);
    else
      item[1] |= last[1] & 0xFF00;
    if (sym & 32) {
      const std::int32_t c = corr(5);
      diff = (diff + ((item[1] >> 8) - (last[1] >> 8))) / 2;
      item[2] |= static_cast<std::uint16_t>(fold(c + clamp_byte(diff + (last[2] >> 8))) << 8);
    } else {
      item[2] |= last[2] & 0xFF00;
    }
  } else {
    item[1] = item[0];
    item[2] = item[0];
  }
}

class Rgb12Item final : public PointwiseItem {
 public:
  explicit Rgb12Item(const std::uint8_t* first) {
    for (int i = 0; i < 3; ++i) last_[i] = load16(first + 2 * i);
  }
  void decode(ArithmeticDecoder& dec, std::uint8_t* out) override {
    std::uint16_t item[3];
    decode_rgb(dec, models_, last_, item);
    for (int i = 0; i < 3; ++i) {
      last_[i] = item[i];
      store16(out + 2 * i, item[i]);
    }
  }

 private:
  std::uint16_t last_[3];
  RgbModels models_;
};

class ByteItem final : public PointwiseItem {
 public:
  ByteItem(const std::uint8_t* first, std::size_t count) : last_(first, first + count) {
    models_.reserve(count);
    for (std::size_t i = 0; i < count; ++i) models_.emplace_back(256);
  }
  void decode(ArithmeticDecoder& dec, std::uint8_t* out) override {
    for (std::size_t i = 0; i < last_.size(); ++i) {
      last_[i] = fold(last_[i] + static_cast<std::int32_t>(dec.decode_symbol(models_[i])));
      out[i] = last_[i];
    }
  }

 private:
  std::vector<std::uint8_t> last_;
  std::vector<SymbolModel> models_;
};

std::size_t decode_pointwise_chunk(const Parameters& parameters, const std::uint8_t* bytes, std::size_t size,
                                   std::uint32_t point_count, std::uint8_t* records, std::size_t record_length) {
  if (size < record_length) damaged("chunk of " + std::to_string(size) + " bytes is shorter than one record");
  std::memcpy(records, bytes, record_length);
  std::vector<std::unique_ptr<PointwiseItem>> items;
  std::size_t offset = 0;
  for (const Item& item : parameters.items) {
    const std::uint8_t* first = records + offset;
    switch (item.type) {
      case ItemType::point10: items.push_back(std::make_unique<Point10Item>(first)); break;
      case ItemType::gpstime11: items.push_back(std::make_unique<GpsTime11Item>(first)); break;
      case ItemType::rgb12: items.push_back(std::make_unique<Rgb12Item>(first)); break;
      default: items.push_back(std::make_unique<ByteItem>(first, item.size)); break;
    }
    offset += item.size;
  }
  ArithmeticDecoder dec;
  dec.start(bytes + record_length, bytes + size);
  for (std::uint32_t i = 1; i < point_count; ++i) {
    std::uint8_t* record = records + i * record_length;
    std::size_t at = 0;
    for (std::size_t k = 0; k < items.size(); ++k) {
      items[k]->decode(dec, record + at);
      at += parameters.items[k].size;
    }
  }
  if (!dec.ends_cleanly()) damaged("the coded points do not end as a coded stream ends");
  return record_length + dec.consumed();
}


// ---------------------------------------------------------------------------------------------
// Layered items (version 3): each field has its own stream ("layer") and the points of up to four
// scanner channels are predicted each from their own channel's last point.

// A layer's bytes and its decoder; an empty layer means the field never changed in the chunk.
struct Layer {
  const std::uint8_t* bytes = nullptr;
  std::uint32_t size = 0;
  ArithmeticDecoder dec;
  bool present() const { return size > 0; }
  void start() { dec.start(bytes, bytes + size); }
};

// The fields of a point of formats 6-10 that the coder predicts.
struct Point14 {
  std::int32_t x = 0, y = 0, z = 0;
  std::uint16_t intensity = 0;
  std::uint8_t returns = 0;  // return number (bits 0-3), number of returns (bits 4-7)
  std::uint8_t flags = 0;    // class flags (0-3), scanner channel (4-5), scan direction, edge
  std::uint8_t classification = 0, user_data = 0;
  std::uint16_t scan_angle = 0, point_source = 0;
  std::uint64_t gps_time = 0;
  bool gps_time_change = false;

  static Point14 load(const std::uint8_t* p) {
    Point14 q;
    q.x = static_cast<std::int32_t>(load32(p));
    q.y = static_cast<std::int32_t>(load32(p + 4));
    q.z = static_cast<std::int32_t>(load32(p + 8));
    q.intensity = load16(p + 12);
    q.returns = p[14];
    q.flags = p[15];
    q.classification = p[16];
    q.user_data = p[17];
    q.scan_angle = load16(p + 18);
    q.point_source = load16(p + 20);
    q.gps_time = load64(p + 22);
    return q;
  }
  void store(std::uint8_t* p) const {
    store32(p, static_cast<std::uint32_t>(x));
    store32(p + 4, static_cast<std::uint32_t>(y));
    store32(p + 8, static_cast<std::uint32_t>(z));
    store16(p + 12, intensity);
    p[14] = returns;
    p[15] = flags;
    p[16] = classification;
    p[17] = user_data;
    store16(p + 18, scan_angle);
    store16(p + 20, point_source);
    store64(p + 22, gps_time);
  }
  std::uint32_t return_number() const { return returns & 15u; }
  std::uint32_t number_of_returns() const { return returns >> 4; }
};

// What the coder keeps for one scanner channel, started from that channel's first point.
struct Point14Context {
  explicit Point14Context(const Point14& point) : last(point), gps(point.gps_time, true) {
    last.gps_time_change = false;
    for (auto& v : last_intensity) v = point.intensity;
    for (auto& v : last_z) v = point.z;
  }
  Point14 last;
  std::uint16_t last_intensity[8];
  std::int32_t last_z[8];
  StreamingMedian5 x_median[12], y_median[12];
  std::vector<SymbolModel> changed_values = std::vector<SymbolModel>(8, SymbolModel(128));
  SymbolModel scanner_channel{3};
  std::unique_ptr<SymbolModel> number_of_returns[16], return_number[16];
  SymbolModel return_number_gps_same{13};
  IntegerDecompressor ic_dx{32, 2}, ic_dy{32, 22}, ic_z{32, 20};
  std::unique_ptr<SymbolModel> classification[64], flags[64], user_data[64];
  IntegerDecompressor ic_intensity{16, 4}, ic_scan_angle{16, 2}, ic_point_source{16};
  GpsTimeDecoder gps;
};

class Point14Item {
 public:
  static constexpr int kLayers = 9;  // returns and x y, z, class, flags, intensity, angle, user data, source, time

  Point14Item(const std::uint8_t* first, Layer* layers) : layers_(layers) {
    const Point14 point = Point14::load(first);
    current_ = (point.flags >> 4) & 3;
    contexts_[current_] = std::make_unique<Point14Context>(point);
    layers_[0].start();  // the returns and x y layer is always read
    for (int i = 1; i < kLayers; ++i)
      if (layers_[i].present()) layers_[i].start();
  }
  unsigned context() const { return current_; }

  void decode(std::uint8_t* out) {
    ArithmeticDecoder& dec = layers_[0].dec;
    Point14Context* c = contexts_[current_].get();
    {
      const Point14& last = c->last;
      std::uint32_t lpr = last.return_number() == 1 ? 1 : 0;
      lpr += last.return_number() >= last.number_of_returns() ? 2 : 0;
      lpr += last.gps_time_change ? 4 : 0;
      changed_ = dec.decode_symbol(c->changed_values[lpr]);
    }
    const std::uint32_t changed = changed_;
    if (changed & (1 << 6)) {  // another scanner channel
      const std::uint32_t diff = dec.decode_symbol(c->scanner_channel);
      const unsigned channel = (current_ + diff + 1) % 4;
      if (!contexts_[channel]) contexts_[channel] = std::make_unique<Point14Context>(c->last);
      current_ = channel;
      c = contexts_[current_].get();
      c->last.flags = static_cast<std::uint8_t>((c->last.flags & ~0x30u) | (channel << 4));
    }
    Point14& last = c->last;
    const bool point_source_change = changed & (1 << 5);
    const bool gps_time_change = changed & (1 << 4);
    const bool scan_angle_change = changed & (1 << 3);

    const std::uint32_t last_n = last.number_of_returns();
    const std::uint32_t last_r = last.return_number();
    std::uint32_t n = last_n;
    if (changed & (1 << 2)) n = dec.decode_symbol(lazy_model(c->number_of_returns[last_n], 16));
    std::uint32_t r;
    switch (changed & 3) {
      case 0: r = last_r; break;
      case 1: r = (last_r + 1) % 16; break;
      case 2: r = (last_r + 15) % 16; break;
      default:
        if (gps_time_change)
          r = dec.decode_symbol(lazy_model(c->return_number[last_r], 16));
        else
          r = (last_r + dec.decode_symbol(c->return_number_gps_same) + 2) % 16;
    }
    last.returns = static_cast<std::uint8_t>(r | n << 4);

    const std::uint32_t m = kReturnMap6[n][r];
    const std::uint32_t l = kReturnLevel8[n][r];
    std::uint32_t cpr = r == 1 ? 2 : 0;
    cpr += r >= n ? 1 : 0;

    const std::uint32_t index = (m << 1) | (gps_time_change ? 1 : 0);
    std::int32_t diff = c->ic_dx.decompress(dec, c->x_median[index].get(), n == 1);
    last.x = wrap_add(last.x, diff);
    c->x_median[index].add(diff);
    std::uint32_t k_bits = c->ic_dx.k();
    diff = c->ic_dy.decompress(dec, c->y_median[index].get(), (n == 1) + (k_bits < 20 ? zero_bit_0(k_bits) : 20));
    last.y = wrap_add(last.y, diff);
    c->y_median[index].add(diff);

    if (layers_[1].present()) {
      k_bits = (c->ic_dx.k() + c->ic_dy.k()) / 2;
      last.z = c->ic_z.decompress(layers_[1].dec, c->last_z[l], (n == 1) + (k_bits < 18 ? zero_bit_0(k_bits) : 18));
      c->last_z[l] = last.z;
    }
    if (layers_[2].present()) {
      const std::uint32_t ccc = ((last.classification & 0x1Fu) << 1) + (cpr == 3 ? 1 : 0);
      last.classification = static_cast<std::uint8_t>(layers_[2].dec.decode_symbol(lazy_model(c->classification[ccc], 256)));
    }
    if (layers_[3].present()) {
      const std::uint32_t last_flags = ((last.flags >> 7) & 1u) << 5 | ((last.flags >> 6) & 1u) << 4 | (last.flags & 15u);
      const std::uint32_t f = layers_[3].dec.decode_symbol(lazy_model(c->flags[last_flags], 64));
      last.flags = static_cast<std::uint8_t>(((f >> 5) & 1u) << 7 | ((f >> 4) & 1u) << 6 | (last.flags & 0x30u) | (f & 15u));
    }
    if (layers_[4].present()) {
      const std::uint32_t i = (cpr << 1) | (gps_time_change ? 1 : 0);
      last.intensity = static_cast<std::uint16_t>(c->ic_intensity.decompress(layers_[4].dec, c->last_intensity[i], cpr));
      c->last_intensity[i] = last.intensity;
    }
    if (layers_[5].present() && scan_angle_change)
      last.scan_angle = static_cast<std::uint16_t>(
          c->ic_scan_angle.decompress(layers_[5].dec, static_cast<std::int16_t>(last.scan_angle), gps_time_change));
    if (layers_[6].present())
      last.user_data = static_cast<std::uint8_t>(layers_[6].dec.decode_symbol(lazy_model(c->user_data[last.user_data / 4], 256)));
    if (layers_[7].present() && point_source_change)
      last.point_source = static_cast<std::uint16_t>(c->ic_point_source.decompress(layers_[7].dec, last.point_source));
    if (layers_[8].present() && gps_time_change) last.gps_time = c->gps.decode(layers_[8].dec);
    last.gps_time_change = gps_time_change;
    last.store(out);
  }

 private:
  Layer* layers_;
  std::unique_ptr<Point14Context> contexts_[4];
  unsigned current_ = 0;
  std::uint32_t changed_ = 0;
};

// Colours (and near infrared) and extra bytes of the layered coder. Models are per channel;
// the last value follows the channel only when the channel is new in the chunk, as the coder
// does it.
class Rgb14Item {
 public:
  Rgb14Item(const std::uint8_t* first, bool nir, unsigned context, Layer* layers)
      : nir_(nir), layers_(layers), current_(context) {
    for (int i = 0; i < (nir ? 4 : 3); ++i) last_[context][i] = load16(first + 2 * i);
    models_[context] = std::make_unique<Models>();
    for (int i = 0; i < (nir ? 2 : 1); ++i)
      if (layers_[i].present()) layers_[i].start();
  }

  void decode(unsigned context, std::uint8_t* out) {
    std::uint16_t* last = last_[current_];
    if (current_ != context) {
      current_ = context;
      if (!models_[context]) {
        models_[context] = std::make_unique<Models>();
        std::memcpy(last_[context], last, sizeof last_[context]);
        last = last_[context];
      }
    }
    Models& models = *models_[current_];
    if (layers_[0].present()) {
      std::uint16_t item[3];
      decode_rgb(layers_[0].dec, models.rgb, last, item);
      std::memcpy(last, item, sizeof item);
    }
    for (int i = 0; i < 3; ++i) store16(out + 2 * i, last[i]);
    if (!nir_) return;
    if (layers_[1].present()) {
      ArithmeticDecoder& dec = layers_[1].dec;
      const std::uint32_t sym = dec.decode_symbol(models.nir_bytes_used);
      std::uint16_t value;
      if (sym & 1)
        value = fold(static_cast<std::int32_t>(dec.decode_symbol(models.nir_diff[0])) + (last[3] & 255));
      else
        value = last[3] & 0xFF;
      if (sym & 2)
        value |= static_cast<std::uint16_t>(fold(static_cast<std::int32_t>(dec.decode_symbol(models.nir_diff[1])) + (last[3] >> 8)) << 8);
      else
        value |= last[3] & 0xFF00;
      last[3] = value;
    }
    store16(out + 6, last[3]);
  }

 private:
  struct Models {
    RgbModels rgb;
    SymbolModel nir_bytes_used{4};
    SymbolModel nir_diff[2] = {SymbolModel(256), SymbolModel(256)};
  };
  bool nir_;
  Layer* layers_;
  unsigned current_;
  std::uint16_t last_[4][4] = {};
  std::unique_ptr<Models> models_[4];
};

class Byte14Item {
 public:
  Byte14Item(const std::uint8_t* first, std::size_t count, unsigned context, Layer* layers)
      : count_(count), layers_(layers), current_(context) {
    for (auto& last : last_) last.assign(count, 0);
    std::memcpy(last_[context].data(), first, count);
    models_[context] = make_models();
    for (std::size_t i = 0; i < count; ++i)
      if (layers_[i].present()) layers_[i].start();
  }

  void decode(unsigned context, std::uint8_t* out) {
    std::uint8_t* last = last_[current_].data();
    if (current_ != context) {
      current_ = context;
      if (!models_[context]) {
        models_[context] = make_models();
        std::memcpy(last_[context].data(), last, count_);
        last = last_[context].data();
      }
    }
    std::vector<SymbolModel>& models = *models_[current_];
    for (std::size_t i = 0; i < count_; ++i) {
      if (layers_[i].present())
        last[i] = fold(last[i] + static_cast<std::int32_t>(layers_[i].dec.decode_symbol(models[i])));
      out[i] = last[i];
    }
  }

 private:
  std::unique_ptr<std::vector<SymbolModel>> make_models() const {
    return std::make_unique<std::vector<SymbolModel>>(count_, SymbolModel(256));
  }
  std::size_t count_;
  Layer* layers_;
  unsigned current_;
  std::vector<std::uint8_t> last_[4];
  std::unique_ptr<std::vector<SymbolModel>> models_[4];
};

int layer_count(const Item& item) {
  switch (item.type) {
    case ItemType::point14: return Point14Item::kLayers;
    case ItemType::rgb14: return 1;
    case ItemType::rgbnir14: return 2;
    default: return item.size;
  }
}

std::size_t decode_layered_chunk(const Parameters& parameters, const std::uint8_t* bytes, std::size_t size,
                                 std::uint32_t point_count, std::uint8_t* records, std::size_t record_length) {
  std::size_t layers_total = 0;
  for (const Item& item : parameters.items) layers_total += static_cast<std::size_t>(layer_count(item));
  const std::size_t head = record_length + 4 + 4 * layers_total;
  if (size < head) damaged("chunk of " + std::to_string(size) + " bytes is shorter than its head of " + std::to_string(head));
  std::memcpy(records, bytes, record_length);
  const std::uint32_t stated = load32(bytes + record_length);
  if (stated != point_count)
    damaged("chunk says it holds " + std::to_string(stated) + " points, the chunk table " + std::to_string(point_count));

  std::vector<Layer> layers(layers_total);
  std::size_t at = head;
  for (std::size_t i = 0; i < layers_total; ++i) {
    layers[i].size = load32(bytes + record_length + 4 + 4 * i);
    if (layers[i].size > size - at)
      damaged("layer " + std::to_string(i + 1) + " of " + std::to_string(layers[i].size) + " bytes runs past the chunk's end");
    layers[i].bytes = bytes + at;
    at += layers[i].size;
  }

  Layer* next_layer = layers.data();
  const std::uint8_t* first = records;
  Point14Item point(first, next_layer);
  next_layer += Point14Item::kLayers;
  first += 30;
  const unsigned context = point.context();
  std::vector<std::unique_ptr<Rgb14Item>> colours;
  std::vector<std::unique_ptr<Byte14Item>> extras;
  struct Part { Rgb14Item* colour; Byte14Item* extra; std::size_t size; };
  std::vector<Part> parts;
  for (std::size_t k = 1; k < parameters.items.size(); ++k) {
    const Item& item = parameters.items[k];
    if (item.type == ItemType::byte14) {
      extras.push_back(std::make_unique<Byte14Item>(first, item.size, context, next_layer));
      parts.push_back({nullptr, extras.back().get(), item.size});
    } else {
      colours.push_back(std::make_unique<Rgb14Item>(first, item.type == ItemType::rgbnir14, context, next_layer));
      parts.push_back({colours.back().get(), nullptr, item.size});
    }
    next_layer += layer_count(item);
    first += item.size;
  }

  for (std::uint32_t i = 1; i < point_count; ++i) {
    std::uint8_t* record = records + i * record_length;
    point.decode(record);
    std::uint8_t* out = record + 30;
    for (const Part& part : parts) {
      if (part.colour)
        part.colour->decode(point.context(), out);
      else
        part.extra->decode(point.context(), out);
      out += part.size;
    }
  }
  if (point_count > 1)
    for (std::size_t i = 0; i < layers_total; ++i)
      if (layers[i].present()) {
        if (layers[i].dec.consumed() != layers[i].size)
          damaged("layer " + std::to_string(i + 1) + " of " + std::to_string(layers[i].size) + " bytes decodes as " +
                  std::to_string(layers[i].dec.consumed()));
        if (!layers[i].dec.ends_cleanly()) damaged("layer " + std::to_string(i + 1) + " does not end as a coded stream ends");
      }
  return at;
}

}  // namespace

std::size_t decode_chunk(const Parameters& parameters, const std::uint8_t* bytes, std::size_t size,
                         std::uint32_t point_count, std::uint8_t* records, std::size_t record_length) {
  if (point_count == 0) damaged("chunk of no points");
  if (parameters.compressor == Compressor::layered_chunked)
    return decode_layered_chunk(parameters, bytes, size, point_count, records, record_length);
  return decode_pointwise_chunk(parameters, bytes, size, point_count, records, record_length);
}

std::uint32_t layered_chunk_point_count(const std::uint8_t* bytes, std::size_t size, std::size_t record_length) {
  if (size < record_length + 4) return 0;
  return load32(bytes + record_length);
}

std::string check_items(const Parameters& parameters, std::size_t record_length) {
  std::size_t total = 0;
  for (const Item& item : parameters.items) {
    const bool layered = parameters.compressor == Compressor::layered_chunked;
    const unsigned t = static_cast<unsigned>(item.type);
    bool known = false;
    std::size_t expected = item.size;
    if (!layered) {
      known = item.version == 2 && (item.type == ItemType::point10 || item.type == ItemType::gpstime11 ||
                                    item.type == ItemType::rgb12 || item.type == ItemType::byte);
      if (item.type == ItemType::point10) expected = 20;
      if (item.type == ItemType::gpstime11) expected = 8;
      if (item.type == ItemType::rgb12) expected = 6;
    } else {
      known = item.version == 3 && (item.type == ItemType::point14 || item.type == ItemType::rgb14 ||
                                    item.type == ItemType::rgbnir14 || item.type == ItemType::byte14);
      if (item.type == ItemType::point14) expected = 30;
      if (item.type == ItemType::rgb14) expected = 6;
      if (item.type == ItemType::rgbnir14) expected = 8;
    }
    if (!known)
      return "compressed item " + std::to_string(t) + " version " + std::to_string(item.version) +
             " cannot be read (known: items 0, 6, 7, 8 version 2; items 10, 11, 12, 14 version 3)";
    if (item.size != expected || item.size == 0)
      return "compressed item " + std::to_string(t) + " has size " + std::to_string(item.size);
    total += item.size;
  }
  if (parameters.items.empty()) return "the compression record lists no items";
  const ItemType first = parameters.compressor == Compressor::layered_chunked ? ItemType::point14 : ItemType::point10;
  if (parameters.items.front().type != first) return "the first compressed item is not a point";
  for (std::size_t i = 1; i < parameters.items.size(); ++i)
    if (parameters.items[i].type == first) return "a compressed record holds two points";
  if (total != record_length)
    return "the compressed items cover " + std::to_string(total) + " bytes, the records have " +
           std::to_string(record_length);
  return {};
}

}  // namespace roofplanes::laz
