#include "io/arithmetic_decoder.h"

#include <stdexcept>

namespace roofplanes::laz {
namespace {
constexpr std::uint32_t kLengthShift = 15;         // symbol probabilities have 15 bits
constexpr std::uint32_t kMaxCount = 1u << 15;      // counts are halved beyond this total
constexpr std::uint32_t kBitLengthShift = 13;      // bit probabilities have 13 bits
constexpr std::uint32_t kBitMaxCount = 1u << 13;
}  // namespace

SymbolModel::SymbolModel(std::uint32_t symbols) : symbols_(symbols), last_symbol_(symbols - 1) {
  if (symbols < 2 || symbols > (1u << 11)) throw std::logic_error("symbol model of a bad size");
  // Large alphabets get a look-up table that narrows the search for a symbol.
  if (symbols > 16) {
    std::uint32_t table_bits = 3;
    while (symbols > (1u << (table_bits + 2))) ++table_bits;
    table_size_ = 1u << table_bits;
    table_shift_ = kLengthShift - table_bits;
  }
  data_.assign(2 * symbols + (table_size_ ? table_size_ + 2 : 0), 0);
  for (std::uint32_t k = 0; k < symbols; ++k) symbol_count()[k] = 1;
  update_cycle_ = symbols;
  update();
  symbols_until_update_ = update_cycle_ = (symbols + 6) >> 1;
}

void SymbolModel::update() {
  std::uint32_t* const dist = distribution();
  std::uint32_t* const counts = symbol_count();
  std::uint32_t* const table = decoder_table();
  if ((total_count_ += update_cycle_) > kMaxCount) {
    total_count_ = 0;
    for (std::uint32_t n = 0; n < symbols_; ++n) {
      counts[n] = (counts[n] + 1) >> 1;
      total_count_ += counts[n];
    }
  }
  const std::uint32_t scale = 0x80000000u / total_count_;
  std::uint32_t sum = 0;
  if (table_size_ == 0) {
    for (std::uint32_t k = 0; k < symbols_; ++k) {
      dist[k] = (scale * sum) >> (31 - kLengthShift);
      sum += counts[k];
    }
  } else {
    std::uint32_t s = 0;
    for (std::uint32_t k = 0; k < symbols_; ++k) {
      dist[k] = (scale * sum) >> (31 - kLengthShift);
      sum += counts[k];
      const std::uint32_t w = dist[k] >> table_shift_;
      while (s < w) table[++s] = k - 1;
    }
    table[0] = 0;
    while (s <= table_size_) table[++s] = symbols_ - 1;
  }
  update_cycle_ = (5 * update_cycle_) >> 2;
  const std::uint32_t max_cycle = (symbols_ + 6) << 3;
  if (update_cycle_ > max_cycle) update_cycle_ = max_cycle;
  symbols_until_update_ = update_cycle_;
}

void BitModel::update() {
  if ((bit_count_ += update_cycle_) > kBitMaxCount) {
    bit_count_ = (bit_count_ + 1) >> 1;
    bit_0_count_ = (bit_0_count_ + 1) >> 1;
    if (bit_0_count_ == bit_count_) ++bit_count_;
  }
  const std::uint32_t scale = 0x80000000u / bit_count_;
  bit_0_prob_ = (bit_0_count_ * scale) >> (31 - kBitLengthShift);
  update_cycle_ = (5 * update_cycle_) >> 2;
  if (update_cycle_ > 64) update_cycle_ = 64;
  bits_until_update_ = update_cycle_;
}

void ArithmeticDecoder::start(const std::uint8_t* begin, const std::uint8_t* end) {
  begin_ = next_ = begin;
  end_ = end;
  overrun_ = 0;
  length_ = 0xFFFFFFFFu;
  value_ = 0;
  for (int i = 0; i < 4; ++i) value_ = (value_ << 8) | next_byte();
}

std::uint32_t ArithmeticDecoder::read_bits(unsigned bits) {
  if (bits > 19) {
    const std::uint32_t low = read_short();
    const std::uint32_t high = read_bits(bits - 16);
    return (high << 16) | low;
  }
  length_ >>= bits;
  std::uint32_t symbol = value_ / length_;
  value_ -= length_ * symbol;
  if (length_ < kMinLength) renormalize();
  // A damaged stream can give more than `bits` bits; keep the result in range.
  return symbol & ((1u << bits) - 1);
}

std::uint32_t ArithmeticDecoder::read_short() { return read_bits(16); }

std::uint32_t ArithmeticDecoder::read_int() {
  const std::uint32_t low = read_short();
  const std::uint32_t high = read_short();
  return (high << 16) | low;
}

}  // namespace roofplanes::laz
