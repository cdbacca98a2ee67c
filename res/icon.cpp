// The application icon: a network card with its port, plug and cable, drawn
// as indices into the 16-colour palette ('.' is transparent).
#include "res/parts.h"
#include "res/resource.h"

namespace lorvane::res {
namespace {

const char* const kIcon32[] = {
    "......................0CCCC0....", "......................0CCCC0....",
    "......................0CCCC0....", "......................0CCCC0....",
    "......................0CCCC0....", "......................0CCCC0....",
    "......................0CCCC0....", "......................0CCCC0....",
    "......................0CCCC0....", "80000000000000000000000CCCC0000.",
    "80222222222222222222220CCCC0220.", "80222222222222222222000CCCC0000.",
    "80222272727272222222070CCCC0700.", "80222000000000022222070CCCC0700.",
    "80222000000000022222070CCCC0700.", "80222008888880022222070CCCC0700.",
    "80222008888880022222070CCCC0700.", "80222008888880022222070CCCC0700.",
    "80222008888880022222070CCCC0700.", "8022200000000002222207000000700.",
    "8022200000000002222200000000000.", "8022227272727222222222222222220.",
    "8022222222222222222222AA22BB220.", "8022222222222222222222222222220.",
    "8022222222222222222222222222220.", "8000000000000000000000000000000.",
    "8..0B3BB3BB3BB3BB3BB0...........", "8..0B3BB3BB3BB3BB3BB0...........",
    "8..0B3BB3BB3BB3BB3BB0...........", "8..0B3BB3BB3BB3BB3BB0...........",
    "8..000000000000000000...........", "................................",
};

const char* const kIcon16[] = {
    "..........0CCC0.", "..........0CCC0.", "..........0CCC0.", "..........0CCC0.",
    "00000000000CCC00", "02222222220CCC00", "02000002220CCC00", "02088802220CCC00",
    "02088802220CCC00", "02088802220CCC00", "0200000222000000", "02222222222A2B20",
    "0000000000000000", ".0BB3BB3BB0.....", ".0BBBBBBBB0.....", ".0000000000.....",
};

// The standard 16-colour palette.
constexpr std::array<COLORREF, 16> kPalette = {
    RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
    RGB(0, 0, 128),     RGB(128, 0, 128), RGB(0, 128, 128), RGB(192, 192, 192),
    RGB(128, 128, 128), RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(255, 255, 0),
    RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255)};

lorvane::window::IconImage Image(const char* const* rows, int size) {
  lorvane::window::IconImage image;
  image.width = size;
  image.height = size;
  image.palette = kPalette;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const char c = rows[y][x];
      const bool clear = c == '.';
      image.pixels.push_back(clear ? 0 : static_cast<BYTE>(c <= '9' ? c - '0' : c - 'A' + 10));
      image.mask.push_back(clear ? 1 : 0);
    }
  }
  return image;
}

}  // namespace

lorvane::window::IconResource MainIcon() {
  return {IDR_MAIN, {Image(kIcon32, 32), Image(kIcon16, 16)}};
}

}  // namespace lorvane::res
