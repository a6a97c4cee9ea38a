#include "io/laz_layered_chunk.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "io/laz_item_coding.h"

namespace roofplanes::laz {
namespace {

// Each field has its own stream ("layer"), and the points of up to four scanner channels are
// predicted each from their own channel's last point.

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

}  // namespace

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

std::uint32_t layered_chunk_point_count(const std::uint8_t* bytes, std::size_t size, std::size_t record_length) {
  if (size < record_length + 4) return 0;
  return load32(bytes + record_length);
}

}  // namespace roofplanes::laz
