#pragma once

// The range decoder of LASzip streams and its adaptive models. A model holds the symbol
// statistics the encoder kept; the decoder turns the stream's bytes back into symbols with the
// same statistics, so both must update in the same order.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace roofplanes::laz {

// Adaptive statistics of `symbols` symbols (2 to 2048), renewed every few symbols.
class SymbolModel {
 public:
  explicit SymbolModel(std::uint32_t symbols);

 private:
  friend class ArithmeticDecoder;
  void update();

  std::uint32_t symbols_, last_symbol_;
  std::uint32_t table_size_ = 0, table_shift_ = 0;
  std::uint32_t total_count_ = 0, update_cycle_ = 0, symbols_until_update_ = 0;
  // distribution (symbols), counts (symbols), then the decoder's look-up table (table_size + 2).
  // Views into data_, found from it each time so that models copy and move safely.
  std::uint32_t* distribution() { return data_.data(); }
  std::uint32_t* symbol_count() { return data_.data() + symbols_; }
  std::uint32_t* decoder_table() { return data_.data() + 2 * symbols_; }
  std::vector<std::uint32_t> data_;
};

// Adaptive statistics of one bit.
class BitModel {
 public:
  BitModel() = default;

 private:
  friend class ArithmeticDecoder;
  void update();

  std::uint32_t bit_0_count_ = 1, bit_count_ = 2;
  std::uint32_t bit_0_prob_ = 1u << 12;
  std::uint32_t update_cycle_ = 4, bits_until_update_ = 4;
};

// Decodes the bytes [begin, end). Bytes asked for past the end read as zero and are counted, so
// that a caller can tell a stream that did not end where its length said.
class ArithmeticDecoder {
 public:
  ArithmeticDecoder() = default;

  // Starts on a stream: reads its first four bytes.
  void start(const std::uint8_t* begin, const std::uint8_t* end);

  std::uint32_t decode_symbol(SymbolModel& model);
  std::uint32_t decode_bit(BitModel& model);
  // `bits` (1 to 32) raw bits, 16 bits, 32 bits.
  std::uint32_t read_bits(unsigned bits);
  std::uint32_t read_short();
  std::uint32_t read_int();

  // Bytes taken from the stream so far, those past its end included.
  std::size_t consumed() const { return static_cast<std::size_t>(next_ - begin_) + overrun_; }
  std::size_t size() const { return static_cast<std::size_t>(end_ - begin_); }
  // Whether the stream, once its last symbol is decoded, ends as the encoder ends a stream: its
  // final code lies at most 2^24 above the interval's low end. A damaged stream decodes to a
  // code anywhere in the interval.
  bool ends_cleanly() const { return value_ <= kMinLength; }

 private:
  static constexpr std::uint32_t kMinLength = 0x01000000u;

  std::uint8_t next_byte() {
    if (next_ < end_) return *next_++;
    ++overrun_;
    return 0;
  }
  void renormalize() {
    do {
      value_ = (value_ << 8) | next_byte();
    } while ((length_ <<= 8) < kMinLength);
  }

  const std::uint8_t* begin_ = nullptr;
  const std::uint8_t* next_ = nullptr;
  const std::uint8_t* end_ = nullptr;
  std::size_t overrun_ = 0;
  std::uint32_t value_ = 0, length_ = 0;
};

inline std::uint32_t ArithmeticDecoder::decode_symbol(SymbolModel& m) {
  std::uint32_t symbol, x, y = length_;
  const std::uint32_t* distribution = m.distribution();
  if (m.table_size_) {
    const std::uint32_t* table = m.decoder_table();
    length_ >>= 15;
    const std::uint32_t dv = value_ / length_;
    std::uint32_t t = dv >> m.table_shift_;
    // Only a damaged stream gets past the table; keep the look-up inside it.
    if (t > m.table_size_) t = m.table_size_;
    symbol = table[t];
    std::uint32_t n = table[t + 1] + 1;
    while (n > symbol + 1) {
      const std::uint32_t k = (symbol + n) >> 1;
      if (distribution[k] > dv)
        n = k;
      else
        symbol = k;
    }
    x = distribution[symbol] * length_;
    if (symbol != m.last_symbol_) y = distribution[symbol + 1] * length_;
  } else {
    x = symbol = 0;
    length_ >>= 15;
    std::uint32_t n = m.symbols_;
    std::uint32_t k = n >> 1;
    do {
      const std::uint32_t z = length_ * distribution[k];
      if (z > value_) {
        n = k;
        y = z;
      } else {
        symbol = k;
        x = z;
      }
    } while ((k = (symbol + n) >> 1) != symbol);
  }
  value_ -= x;
  length_ = y - x;
  if (length_ < kMinLength) renormalize();
  ++m.symbol_count()[symbol];
  if (--m.symbols_until_update_ == 0) m.update();
  return symbol;
}

inline std::uint32_t ArithmeticDecoder::decode_bit(BitModel& m) {
  const std::uint32_t x = m.bit_0_prob_ * (length_ >> 13);
  std::uint32_t bit;
  if (value_ < x) {
    bit = 0;
    length_ = x;
    ++m.bit_0_count_;
  } else {
    bit = 1;
    value_ -= x;
    length_ -= x;
  }
  if (length_ < kMinLength) renormalize();
  if (--m.bits_until_update_ == 0) m.update();
  return bit;
}

}  // namespace roofplanes::laz
