#include "io/laz_pointwise_chunk.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "io/laz_item_coding.h"

namespace roofplanes::laz {
namespace {

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

}  // namespace

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


}  // namespace roofplanes::laz
