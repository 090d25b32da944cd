#pragma once
// Writes a tiny DLS level-1 bank: one looped 16-bit sine wave, played by an instrument at each
// of the given programs (bank 0). Enough for FluidSynth's DLS loader to load and sound it.
#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace kore::test {

class TinyDls {
 public:
  static bool Write(const std::string& path, const std::vector<uint32_t>& programs) {
    const uint32_t rate = 22050;
    const int period = 100;  // 220.5 Hz, unity note 57 (A3 is 220 Hz)
    const int frames = period * 22;
    Bytes pcm;
    for (int i = 0; i < frames; ++i) {
      const auto s = static_cast<int16_t>(12000 * std::sin(2 * M_PI * i / period));
      U16(pcm, static_cast<uint16_t>(s));
    }
    Bytes fmt;
    U16(fmt, 1); U16(fmt, 1); U32(fmt, rate); U32(fmt, rate * 2); U16(fmt, 2); U16(fmt, 16);
    Bytes wsmp;
    U32(wsmp, 20); U16(wsmp, 57); U16(wsmp, 0); U32(wsmp, 0); U32(wsmp, 0); U32(wsmp, 1);
    U32(wsmp, 16); U32(wsmp, 0); U32(wsmp, 0); U32(wsmp, static_cast<uint32_t>(frames));
    Bytes wave = List("wave", {Chunk("fmt ", fmt), Chunk("wsmp", wsmp), Chunk("data", pcm)});

    std::vector<Bytes> instruments;
    for (uint32_t program : programs) {
      Bytes rgnh;
      U16(rgnh, 0); U16(rgnh, 127); U16(rgnh, 0); U16(rgnh, 127); U16(rgnh, 0); U16(rgnh, 0);
      Bytes wlnk;
      U16(wlnk, 0); U16(wlnk, 0); U32(wlnk, 1); U32(wlnk, 0);
      Bytes region = List("rgn ", {Chunk("rgnh", rgnh), Chunk("wsmp", wsmp), Chunk("wlnk", wlnk)});
      Bytes insh;
      U32(insh, 1); U32(insh, 0); U32(insh, program);
      Bytes name{'S', 'i', 'n', 'e', 0};
      instruments.push_back(List("ins ", {Chunk("insh", insh), List("lrgn", {region}),
                                          List("INFO", {Chunk("INAM", name)})}));
    }
    Bytes colh, vers, ptbl;
    U32(colh, static_cast<uint32_t>(programs.size()));
    U32(vers, 0); U32(vers, 0);
    U32(ptbl, 8); U32(ptbl, 1); U32(ptbl, 0);
    Bytes body{'D', 'L', 'S', ' '};
    for (const Bytes& part : {Chunk("colh", colh), Chunk("vers", vers), List("lins", instruments),
                              Chunk("ptbl", ptbl), List("wvpl", {wave})}) {
      body.insert(body.end(), part.begin(), part.end());
    }
    Bytes file = Chunk("RIFF", body);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out);
  }

 private:
  using Bytes = std::vector<uint8_t>;
  static void U16(Bytes& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
  }
  static void U32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  static Bytes Chunk(const char* tag, Bytes data) {
    if (data.size() % 2) data.push_back(0);
    Bytes out(tag, tag + 4);
    U32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
  }
  static Bytes List(const char* tag, const std::vector<Bytes>& chunks) {
    Bytes body(tag, tag + 4);
    for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
    return Chunk("LIST", body);
  }
};

}  // namespace kore::test
