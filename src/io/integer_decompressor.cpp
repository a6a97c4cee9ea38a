#include "io/integer_decompressor.h"

namespace roofplanes::laz {

IntegerDecompressor::IntegerDecompressor(unsigned bits, unsigned contexts, unsigned bits_high)
    : bits_high_(bits_high) {
  if (bits && bits < 32) {
    corr_bits_ = bits;
    corr_range_ = 1u << bits;
    corr_min_ = -static_cast<std::int32_t>(corr_range_ / 2);
  } else {
    corr_bits_ = 32;
    corr_range_ = 0;
    corr_min_ = INT32_MIN;
  }
  m_bits_.reserve(contexts);
  for (unsigned i = 0; i < contexts; ++i) m_bits_.emplace_back(corr_bits_ + 1);
  m_corrector_.reserve(corr_bits_);
  for (unsigned i = 1; i <= corr_bits_; ++i)
    m_corrector_.emplace_back(i <= bits_high_ ? 1u << i : 1u << bits_high_);
}

std::int32_t IntegerDecompressor::read_corrector(ArithmeticDecoder& decoder, SymbolModel& bits_model) {
  k_ = decoder.decode_symbol(bits_model);
  if (k_ == 0) return static_cast<std::int32_t>(decoder.decode_bit(m_corrector_0_));
  if (k_ >= 32) return corr_min_;
  std::int64_t c;
  if (k_ <= bits_high_) {
    c = decoder.decode_symbol(m_corrector_[k_ - 1]);
  } else {
    const unsigned low_bits = k_ - bits_high_;
    const std::uint64_t high = decoder.decode_symbol(m_corrector_[k_ - 1]);
    c = static_cast<std::int64_t>((high << low_bits) | decoder.read_bits(low_bits));
  }
  // Corrections of k bits are [-(2^k - 1), -2^(k-1)] and [2^(k-1) + 1, 2^k].
  if (c >= (std::int64_t{1} << (k_ - 1)))
    c += 1;
  else
    c -= (std::int64_t{1} << k_) - 1;
  return static_cast<std::int32_t>(c);
}

std::int32_t IntegerDecompressor::decompress(ArithmeticDecoder& decoder, std::int32_t prediction,
                                             unsigned context) {
  const std::int32_t corrector = read_corrector(decoder, m_bits_[context]);
  if (corr_range_ == 0)  // 32 bits: the sum wraps around
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(prediction) +
                                     static_cast<std::uint32_t>(corrector));
  std::int64_t real = std::int64_t{prediction} + corrector;
  if (real < 0)
    real += corr_range_;
  else if (real >= static_cast<std::int64_t>(corr_range_))
    real -= corr_range_;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(real));
}

}  // namespace roofplanes::laz
