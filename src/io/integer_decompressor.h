#pragma once

// LASzip's integer coding: a value is sent as its correction from a prediction, the correction
// as the number k of its significant bits (one model per context) and then its low bits.

#include <cstdint>
#include <memory>
#include <vector>

#include "io/arithmetic_decoder.h"

namespace roofplanes::laz {

class IntegerDecompressor {
 public:
  // Values of `bits` bits (32: any int32), in `contexts` independent contexts; corrections of
  // more than `bits_high` bits send their low bits raw.
  explicit IntegerDecompressor(unsigned bits = 16, unsigned contexts = 1, unsigned bits_high = 8);

  // The value predicted as `prediction` in `context`, from the decoder's stream.
  std::int32_t decompress(ArithmeticDecoder& decoder, std::int32_t prediction, unsigned context = 0);

  // Significant bits of the last correction (a context for the next values).
  unsigned k() const { return k_; }

 private:
  std::int32_t read_corrector(ArithmeticDecoder& decoder, SymbolModel& bits_model);

  unsigned corr_bits_, bits_high_;
  std::uint32_t corr_range_;
  std::int32_t corr_min_;
  unsigned k_ = 0;
  std::vector<SymbolModel> m_bits_;       // one per context
  BitModel m_corrector_0_;                // k = 0: the correction is 0 or 1
  std::vector<SymbolModel> m_corrector_;  // k = 1 ... corr_bits (index k - 1)
};

}  // namespace roofplanes::laz
