#include "io/laz_item_coding.h"

namespace roofplanes::laz {

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

}  // namespace roofplanes::laz
