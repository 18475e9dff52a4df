// A picture as the bytes of a PNG file: 8 bits a sample from bytes, 16 from
// doubles (times 65535, rounded and clamped as a host's uint16 conversion
// does) and from 16-bit words; grey (one channel) or RGB (three).
//
// The encoding is fixed, so a picture gives the same file on every target
// and at every thread count: each row filtered by its left neighbour (PNG's
// Sub filter), the rows cut into pieces of about 256 KiB that are compressed
// apart (each its own deflate window and one block, Huffman codes of its
// own, or fixed ones or stored bytes where those are shorter) and each
// written as one IDAT chunk. Pieces are what threads share out.
#ifndef KORVEL_SCENE_PNG_ENCODE_H
#define KORVEL_SCENE_PNG_ENCODE_H

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "../core/fault.h"
#include "../core/parallel_sizes.h"
#include "../core/simd.h"
#include "../core/threads.h"

namespace korvel {

enum class SampleType { doubles, bytes, words };

// The picture to encode: height by width pixels of `channels` (1 or 3)
// samples; sample (row, column, channel), zero-based, at row * rowStep +
// column * columnStep + channel * channelStep elements of `type` from
// `samples`.
struct PngSource {
  const void *samples;
  SampleType type;
  Count height;
  Count width;
  Count channels;
  Count rowStep;
  Count columnStep;
  Count channelStep;
};

// The largest side a PNG may have (its header holds 31 bits).
const Count kLargestPngSide = 0x7fffffff;

// A 16-bit sample from a double: v * 65535 rounded to nearest, ties away
// from zero, clamped to 0 .. 65535; NaN gives 0.
inline std::uint16_t sampleWord(double value) {
  const double scaled = value * 65535.0;
  if (!(scaled > 0)) return 0;
  if (scaled >= 65535) return 65535;
  const auto whole = static_cast<std::uint32_t>(scaled);
  return static_cast<std::uint16_t>(whole + std::uint32_t{scaled - whole >= 0.5});
}

namespace png {

const Count kPieceBytes = 262144;  // filtered bytes a piece aims at
const unsigned kHashBits = 15;
const Count kWindow = 32768;
const unsigned kMinMatch = 4;  // matches are found by their first 4 bytes
const unsigned kMaxMatch = 258;

struct Layout {
  Count rowBytes;      // a row's filtered bytes, its filter byte included
  Count rowsPerPiece;
  Count pieces;
  Count pieceCapacity;  // the most compressed bytes a piece of full rows can take
};

// A piece of `raw` bytes compressed is never longer than stored: its header
// bits and a stored block header (5 bytes) per 65535 bytes, the empty stored
// block that ends a piece on a byte and the final block's 2 bytes.
inline Count compressedBound(Count raw) { return raw + 5 * (raw / 65535 + 1) + 16; }

inline bool pngLayout(const PngSource &source, Layout &layout) {
  const Count sampleBytes = source.type == SampleType::bytes ? 1 : 2;
  const Count most = ~Count{0};
  if (source.width > (most - 1) / (source.channels * sampleBytes)) return false;
  layout.rowBytes = 1 + source.width * source.channels * sampleBytes;
  layout.rowsPerPiece = (kPieceBytes + layout.rowBytes - 1) / layout.rowBytes;
  if (layout.rowsPerPiece > source.height) layout.rowsPerPiece = source.height;
  layout.pieces = (source.height + layout.rowsPerPiece - 1) / layout.rowsPerPiece;
  // A piece's positions are kept in 32-bit hash heads and its symbol counts
  // in 32 bits: a row of 2^30 bytes or more is refused, not miscounted.
  if (layout.rowBytes > 0x3fffffff) return false;
  if (layout.rowsPerPiece > most / 2 / layout.rowBytes) return false;
  layout.pieceCapacity = compressedBound(layout.rowsPerPiece * layout.rowBytes);
  if (layout.pieces > most / 2 / layout.pieceCapacity) return false;
  return true;
}

// Big-endian 16 and 32 bits.
inline void put16(std::uint8_t *at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 8);
  at[1] = static_cast<std::uint8_t>(value);
}
inline void put32(std::uint8_t *at, std::uint32_t value) {
  put16(at, value >> 16);
  put16(at + 2, value & 0xffff);
}

// Rows firstRow .. firstRow + rows - 1, each its filter byte and its samples
// (big-endian) less those of the pixel on their left, byte by byte (PNG's
// Sub filter), walking the picture a column at a time. `previous` holds a
// column's samples of these rows for the next.
template <typename Sample>
void filteredSamples(const Sample *in, Count inStep, Count rows, Count rowBytes, bool first,
                     std::uint16_t *previous, std::uint8_t *at) {
  for (Count r = 0; r < rows; ++r) {
    const unsigned value = in[r * inStep];
    const unsigned left = first ? 0 : previous[r];
    previous[r] = static_cast<std::uint16_t>(value);
    if (sizeof(Sample) == 1) {
      at[r * rowBytes] = static_cast<std::uint8_t>(value - left);
    } else {
      at[r * rowBytes] = static_cast<std::uint8_t>((value >> 8) - (left >> 8));
      at[r * rowBytes + 1] = static_cast<std::uint8_t>(value - left);
    }
  }
}

// `rows` doubles `step` apart as 16-bit samples (sampleWord), two at a time
// where they lie side by side: the same arithmetic, in SSE2.
inline void sampleWords(const double *in, Count step, Count rows, std::uint16_t *words) {
  Count r = 0;
#if defined(KORVEL_HAVE_SSE2)
  if (step == 1) {
    const __m128d scale = _mm_set1_pd(65535.0), top = _mm_set1_pd(65535.0);
    const __m128d zero = _mm_setzero_pd(), half = _mm_set1_pd(0.5), one = _mm_set1_pd(1.0);
    for (; r + 2 <= rows; r += 2) {
      // max gives its second operand, 0, for NaN.
      const __m128d scaled = _mm_min_pd(_mm_max_pd(_mm_mul_pd(_mm_loadu_pd(in + r), scale), zero), top);
      const __m128d whole = _mm_cvtepi32_pd(_mm_cvttpd_epi32(scaled));
      const __m128d up = _mm_and_pd(_mm_cmpge_pd(_mm_sub_pd(scaled, whole), half), one);
      const __m128i rounded = _mm_cvttpd_epi32(_mm_add_pd(whole, up));
      words[r] = static_cast<std::uint16_t>(_mm_cvtsi128_si32(rounded));
      words[r + 1] = static_cast<std::uint16_t>(_mm_cvtsi128_si32(_mm_srli_si128(rounded, 4)));
    }
  }
#endif
  for (; r < rows; ++r) words[r] = sampleWord(in[r * step]);
}

inline void filteredRows(const PngSource &source, Count firstRow, Count rows, Count rowBytes,
                         std::uint16_t *previous, std::uint8_t *out) {
  const Count channels = source.channels;
  const Count sampleBytes = source.type == SampleType::bytes ? 1 : 2;
  for (Count r = 0; r < rows; ++r) out[r * rowBytes] = 1;  // Sub
  for (Count column = 0; column < source.width; ++column) {
    for (Count channel = 0; channel < channels; ++channel) {
      const Count first = (firstRow * source.rowStep + column * source.columnStep +
                           channel * source.channelStep);
      std::uint8_t *at = out + 1 + (column * channels + channel) * sampleBytes;
      std::uint16_t *own = previous + channel * rows;
      if (source.type == SampleType::bytes)
        filteredSamples(static_cast<const std::uint8_t *>(source.samples) + first, source.rowStep,
                        rows, rowBytes, column == 0, own, at);
      else if (source.type == SampleType::words)
        filteredSamples(static_cast<const std::uint16_t *>(source.samples) + first, source.rowStep,
                        rows, rowBytes, column == 0, own, at);
      else {
        // The next column's samples are a jump away: ask for them now.
        if (source.rowStep == 1 && column + 1 < source.width) {
          const double *next = static_cast<const double *>(source.samples) + first + source.columnStep;
          for (Count r = 0; r < rows; r += 8) prefetchForRead(next + r);
        }
        std::uint16_t *words = previous + channels * rows;
        sampleWords(static_cast<const double *>(source.samples) + first, source.rowStep, rows, words);
        filteredSamples(words, 1, rows, rowBytes, column == 0, own, at);
      }
    }
  }
}

const std::uint32_t kAdlerBase = 65521;

// Adler-32 of `size` bytes, going on from `adler`. In SSE2 16 bytes a step:
// the high sum grows by 16 times the low sum before the step and by the
// bytes weighted 16 down to 1.
inline std::uint32_t adler32(std::uint32_t adler, const std::uint8_t *data, Count size) {
  std::uint32_t low = adler & 0xffff, high = adler >> 16;
  while (size > 0) {
    Count run = size < 5552 ? size : 5552;  // no 32-bit overflow before the modulo
    size -= run;
#if defined(KORVEL_HAVE_SSE2)
    if (run >= 16) {
      const __m128i zero = _mm_setzero_si128();
      const __m128i weightsHigh = _mm_setr_epi16(16, 15, 14, 13, 12, 11, 10, 9);
      const __m128i weightsLow = _mm_setr_epi16(8, 7, 6, 5, 4, 3, 2, 1);
      __m128i lows = zero, highs = zero, sumsBefore = zero;
      const Count blocks = run / 16;
      for (Count b = 0; b < blocks; ++b) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + 16 * b));
        sumsBefore = _mm_add_epi32(sumsBefore, lows);
        lows = _mm_add_epi32(lows, _mm_sad_epu8(bytes, zero));
        highs = _mm_add_epi32(highs, _mm_madd_epi16(_mm_unpacklo_epi8(bytes, zero), weightsHigh));
        highs = _mm_add_epi32(highs, _mm_madd_epi16(_mm_unpackhi_epi8(bytes, zero), weightsLow));
      }
      auto total = [](__m128i v) {
        v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
        v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
        return static_cast<std::uint32_t>(_mm_cvtsi128_si32(v));
      };
      // lows holds two 64-bit sums (as 32-bit lanes 0 and 2), as does sumsBefore.
      const std::uint32_t blockBytes = total(lows), before = total(sumsBefore);
      high += static_cast<std::uint32_t>(blocks) * 16 * low + 16 * before + total(highs);
      low += blockBytes;
      data += 16 * blocks;
      run -= 16 * blocks;
    }
#endif
    for (Count i = 0; i < run; ++i) {
      low += data[i];
      high += low;
    }
    data += run;
    low %= kAdlerBase;
    high %= kAdlerBase;
  }
  return low | high << 16;
}

// The Adler-32 of A followed by B, from theirs and B's length: B's running
// sums each grow by A's low sum less the starting 1.
inline std::uint32_t adler32Joined(std::uint32_t first, std::uint32_t second, Count secondSize) {
  const std::uint64_t low1 = first & 0xffff, high1 = first >> 16;
  const std::uint64_t low2 = second & 0xffff, high2 = second >> 16;
  const std::uint64_t low = (low1 + low2 + kAdlerBase - 1) % kAdlerBase;
  const std::uint64_t high =
      (high1 + high2 + (secondSize % kAdlerBase) * (low1 + kAdlerBase - 1)) % kAdlerBase;
  return static_cast<std::uint32_t>(low | high << 16);
}

// CRC-32 (PNG's and zlib's), four bytes a step: entries[k][b] is the
// remainder of byte b followed by k zero bytes. Made per file (a few
// microseconds), so that no static needs a guarded initialisation.
struct CrcTable {
  std::uint32_t entries[4][256];
};

inline void makeCrcTable(CrcTable &table) {
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320u ^ (c >> 1) : c >> 1;
    table.entries[0][n] = c;
  }
  for (std::uint32_t n = 0; n < 256; ++n)
    for (int k = 1; k < 4; ++k)
      table.entries[k][n] =
          table.entries[0][table.entries[k - 1][n] & 0xff] ^ (table.entries[k - 1][n] >> 8);
}

inline std::uint32_t crc32(const CrcTable &table, const std::uint8_t *data, Count size) {
  const auto &t = table.entries;
  std::uint32_t crc = 0xffffffffu;
  for (; size >= 4; size -= 4, data += 4) {
    crc ^= std::uint32_t{data[0]} | std::uint32_t{data[1]} << 8 | std::uint32_t{data[2]} << 16 |
           std::uint32_t{data[3]} << 24;
    crc = t[3][crc & 0xff] ^ t[2][(crc >> 8) & 0xff] ^ t[1][(crc >> 16) & 0xff] ^ t[0][crc >> 24];
  }
  for (; size > 0; --size, ++data) crc = t[0][(crc ^ *data) & 0xff] ^ (crc >> 8);
  return ~crc;
}

// Bits into bytes, first bit lowest, as deflate packs them.
struct BitWriter {
  std::uint8_t *out;
  Count size;
  std::uint64_t pending;
  unsigned count;

  // At most 32 bits at once; fewer than 32 wait in `pending`.
  void put(std::uint32_t bits, unsigned length) {
    pending |= std::uint64_t{bits} << count;
    count += length;
    if (count >= 32) {
      const std::uint8_t word[4] = {
          static_cast<std::uint8_t>(pending), static_cast<std::uint8_t>(pending >> 8),
          static_cast<std::uint8_t>(pending >> 16), static_cast<std::uint8_t>(pending >> 24)};
      std::memcpy(out + size, word, 4);
      size += 4;
      pending >>= 32;
      count -= 32;
    }
  }
  // Writes what waits, padded with zero bits to a whole byte.
  void toByte() {
    while (count > 0) {
      out[size++] = static_cast<std::uint8_t>(pending);
      pending >>= 8;
      count = count > 8 ? count - 8 : 0;
    }
    pending = 0;
  }
  // A stored block's header (not final), then its LEN and NLEN on whole
  // bytes; its `length` bytes follow.
  void storedHeader(Count length) {
    put(0, 3);
    toByte();
    const std::uint8_t lengths[4] = {  // little-endian
        static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
        static_cast<std::uint8_t>(~length), static_cast<std::uint8_t>(~length >> 8)};
    std::memcpy(out + size, lengths, 4);
    size += 4;
  }
};

// A match length 3 .. 258 and a distance 1 .. 32768 as deflate's codes:
// code (lengths 257 .. 285, distances 0 .. 29), extra bits and their value.
struct Coded {
  unsigned code = 0, extraBits = 0, extra = 0;
};
inline constexpr Coded lengthCode(unsigned length) {
  if (length == 258) return {285, 0, 0};
  const unsigned v = length - 3;
  if (v < 8) return {257 + v, 0, 0};
  unsigned bits = 0;
  while ((v >> (bits + 3)) != 0) ++bits;  // v in [8 << (bits - 1), 8 << bits)
  return {257 + 4 + 4 * bits + ((v >> bits) & 3), bits, v & ((1u << bits) - 1)};
}
inline constexpr Coded distanceCode(unsigned distance) {
  const unsigned v = distance - 1;
  if (v < 4) return {v, 0, 0};
  unsigned top = 0;
  while ((v >> (top + 1)) != 0) ++top;  // highest set bit
  const unsigned bits = top - 1;
  return {2 * top + ((v >> bits) & 1), bits, v & ((1u << bits) - 1)};
}

// The same as tables: lengths by length; distances by distance - 1 up to
// 256, beyond by (distance - 1) >> 7, which fixes the code (its extra bits
// are 7 or more).
struct CodeTables {
  Coded lengths[kMaxMatch + 1];
  std::uint8_t distanceCodes[512];
  std::uint16_t distanceBase[30];
  std::uint8_t distanceExtraBits[30];
  constexpr CodeTables() : lengths(), distanceCodes(), distanceBase(), distanceExtraBits() {
    for (unsigned length = 3; length <= kMaxMatch; ++length) lengths[length] = lengthCode(length);
    for (unsigned distance = 32768; distance >= 1; --distance) {
      const Coded coded = distanceCode(distance);
      const unsigned v = distance - 1;
      distanceCodes[v < 256 ? v : 256 + (v >> 7)] = static_cast<std::uint8_t>(coded.code);
      distanceBase[coded.code] = static_cast<std::uint16_t>(v);  // the lowest, last
      distanceExtraBits[coded.code] = static_cast<std::uint8_t>(coded.extraBits);
    }
  }
  Coded distance(unsigned distance) const {
    const unsigned v = distance - 1;
    const unsigned code = distanceCodes[v < 256 ? v : 256 + (v >> 7)];
    return {code, distanceExtraBits[code], v - distanceBase[code]};
  }
};
constexpr CodeTables kCodeTables;

const unsigned kLiteralCodes = 286;
const unsigned kFixedLiteralCodes = 288;
const unsigned kDistanceCodes = 30;

// Huffman code lengths of at most `limit` bits for `count` symbols of
// frequencies `frequency`, none for a symbol of frequency 0; one symbol used
// gets length 1. Ties go by symbol, so the lengths are fixed by the
// frequencies. Over the limit, frequencies are halved (at least 1) and the
// code built again.
inline void codeLengths(const std::uint32_t *frequency, unsigned count, unsigned limit,
                        std::uint8_t *lengths) {
  std::uint32_t weight[kLiteralCodes];
  for (unsigned s = 0; s < count; ++s) weight[s] = frequency[s];
  for (;;) {
    // Leaves sorted by weight then symbol; inner nodes come out of the
    // merging in order of weight, so two queues give the tree.
    unsigned leaves[kLiteralCodes];
    unsigned used = 0;
    for (unsigned s = 0; s < count; ++s) {
      lengths[s] = 0;
      if (weight[s] == 0) continue;
      unsigned at = used++;
      while (at > 0 && weight[leaves[at - 1]] > weight[s]) {
        leaves[at] = leaves[at - 1];
        --at;
      }
      leaves[at] = s;
    }
    if (used == 0) return;
    if (used == 1) {
      lengths[leaves[0]] = 1;
      return;
    }
    std::uint64_t nodeWeight[kLiteralCodes];
    unsigned parent[2 * kLiteralCodes];  // leaves 0 .. used - 1, nodes used ..
    unsigned nextLeaf = 0, nextNode = 0, nodes = 0;
    auto takeLightest = [&]() {
      const bool leaf = nextLeaf < used &&
                        (nextNode == nodes || weight[leaves[nextLeaf]] <= nodeWeight[nextNode]);
      if (leaf) {
        const std::uint64_t w = weight[leaves[nextLeaf]];
        return std::uint64_t{nextLeaf++} << 32 | w;
      }
      const std::uint64_t w = nodeWeight[nextNode];
      return std::uint64_t{used + nextNode++} << 32 | w;
    };
    while (nodes < used - 1) {
      const std::uint64_t a = takeLightest(), b = takeLightest();
      parent[a >> 32] = used + nodes;
      parent[b >> 32] = used + nodes;
      nodeWeight[nodes++] = (a & 0xffffffffu) + (b & 0xffffffffu);
    }
    // Depths from the root (the last node) down.
    unsigned depth[2 * kLiteralCodes];
    depth[used + nodes - 1] = 0;
    unsigned deepest = 0;
    for (unsigned n = used + nodes - 1; n-- > 0;) {
      depth[n] = depth[parent[n]] + 1;
      if (n < used && depth[n] > deepest) deepest = depth[n];
    }
    if (deepest <= limit) {
      for (unsigned i = 0; i < used; ++i) lengths[leaves[i]] = static_cast<std::uint8_t>(depth[i]);
      return;
    }
    for (unsigned s = 0; s < count; ++s)
      if (weight[s] != 0) weight[s] = (weight[s] + 1) / 2;
  }
}

// Canonical codes from lengths, bit-reversed for writing first bit lowest.
inline void canonicalCodes(const std::uint8_t *lengths, unsigned count, std::uint16_t *codes) {
  unsigned perLength[16] = {};
  for (unsigned s = 0; s < count; ++s) ++perLength[lengths[s]];
  perLength[0] = 0;
  unsigned next[16];
  unsigned code = 0;
  for (unsigned bits = 1; bits < 16; ++bits) {
    code = (code + perLength[bits - 1]) << 1;
    next[bits] = code;
  }
  for (unsigned s = 0; s < count; ++s) {
    const unsigned length = lengths[s];
    if (length == 0) continue;
    unsigned value = next[length]++, reversed = 0;
    for (unsigned b = 0; b < length; ++b) reversed |= ((value >> b) & 1) << (length - 1 - b);
    codes[s] = static_cast<std::uint16_t>(reversed);
  }
}

// A block's symbols: a literal byte, or a match as 0x80000000 | length << 16
// | distance.
const std::uint32_t kMatch = 0x80000000u;

// The Huffman codes of one block and what writing it costs.
struct Codes {
  std::uint8_t literalLengths[kFixedLiteralCodes];
  std::uint8_t distanceLengths[kDistanceCodes];
  std::uint16_t literalCodes[kFixedLiteralCodes];
  std::uint16_t distanceCodes[kDistanceCodes];
};

// The fixed codes: their canonical order counts the two literal/length
// codes (286, 287) that never occur.
inline void fixedCodes(Codes &codes) {
  for (unsigned s = 0; s < kFixedLiteralCodes; ++s)
    codes.literalLengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
  for (unsigned s = 0; s < kDistanceCodes; ++s) codes.distanceLengths[s] = 5;
  canonicalCodes(codes.literalLengths, kFixedLiteralCodes, codes.literalCodes);
  canonicalCodes(codes.distanceLengths, kDistanceCodes, codes.distanceCodes);
}

// Gives the first unused symbols frequency 1 until two are used: a code of
// two symbols or more is complete.
inline void useTwoSymbols(std::uint32_t *frequency, unsigned count) {
  unsigned used = 0;
  for (unsigned s = 0; s < count; ++s) used += frequency[s] != 0;
  for (unsigned s = 0; used < 2; ++s)
    if (frequency[s] == 0) {
      frequency[s] = 1;
      ++used;
    }
}

// The header of a block of dynamic codes: the code lengths of both alphabets
// run-length coded (16: repeat the last 3 to 6 times, 17 and 18: 3 to 10
// and 11 to 138 zeros), and the code that codes them.
struct DynamicHeader {
  unsigned literalCount, distanceCount, lengthCodeCount;
  std::uint16_t runs[kLiteralCodes + kDistanceCodes];  // symbol | extra value << 8
  unsigned runCount;
  std::uint8_t runLengths[19];
  std::uint16_t runCodes[19];
};

const std::uint8_t kLengthCodeOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5,
                                           11, 4,  12, 3, 13, 2, 14, 1, 15};

inline std::uint64_t dynamicHeader(const Codes &codes, DynamicHeader &header) {
  header.literalCount = kLiteralCodes;
  while (header.literalCount > 257 && codes.literalLengths[header.literalCount - 1] == 0)
    --header.literalCount;
  header.distanceCount = kDistanceCodes;
  while (header.distanceCount > 1 && codes.distanceLengths[header.distanceCount - 1] == 0)
    --header.distanceCount;
  std::uint8_t all[kLiteralCodes + kDistanceCodes];
  const unsigned total = header.literalCount + header.distanceCount;
  std::memcpy(all, codes.literalLengths, header.literalCount);
  std::memcpy(all + header.literalCount, codes.distanceLengths, header.distanceCount);
  std::uint32_t frequency[19] = {};
  header.runCount = 0;
  for (unsigned i = 0; i < total;) {
    const std::uint8_t length = all[i];
    unsigned run = 1;
    while (i + run < total && all[i + run] == length) ++run;
    if (length == 0 && run >= 3) {
      const unsigned take = run < 138 ? run : 138;
      const unsigned symbol = take <= 10 ? 17 : 18;
      header.runs[header.runCount++] =
          static_cast<std::uint16_t>(symbol | (take - (symbol == 17 ? 3 : 11)) << 8);
      ++frequency[symbol];
      i += take;
      continue;
    }
    header.runs[header.runCount++] = length;
    ++frequency[length];
    ++i;
    --run;
    while (length != 0 && run >= 3) {
      const unsigned take = run < 6 ? run : 6;
      header.runs[header.runCount++] = static_cast<std::uint16_t>(16 | (take - 3) << 8);
      ++frequency[16];
      i += take;
      run -= take;
    }
  }
  // The code-length code must be complete: two symbols at least.
  useTwoSymbols(frequency, 19);
  codeLengths(frequency, 19, 7, header.runLengths);
  canonicalCodes(header.runLengths, 19, header.runCodes);
  header.lengthCodeCount = 19;
  while (header.lengthCodeCount > 4 &&
         header.runLengths[kLengthCodeOrder[header.lengthCodeCount - 1]] == 0)
    --header.lengthCodeCount;
  std::uint64_t bits = 5 + 5 + 4 + 3 * header.lengthCodeCount;
  for (unsigned r = 0; r < header.runCount; ++r) {
    const unsigned symbol = header.runs[r] & 0xff;
    bits += header.runLengths[symbol] + (symbol == 16 ? 2 : symbol == 17 ? 3 : symbol == 18 ? 7 : 0);
  }
  return bits;
}

// The bits of a block's symbols in `codes`, its end-of-block code included.
inline std::uint64_t symbolBits(const Codes &codes, const std::uint32_t *literalFrequency,
                                const std::uint32_t *distanceFrequency) {
  std::uint64_t bits = 0;
  for (unsigned s = 0; s < kLiteralCodes; ++s) {
    const unsigned extra = s >= 265 && s < 285 ? (s - 261) / 4 : 0;
    bits += std::uint64_t{literalFrequency[s]} * (codes.literalLengths[s] + extra);
  }
  for (unsigned s = 0; s < kDistanceCodes; ++s) {
    const unsigned extra = s >= 4 ? s / 2 - 1 : 0;
    bits += std::uint64_t{distanceFrequency[s]} * (codes.distanceLengths[s] + extra);
  }
  return bits;
}

inline void writeSymbols(BitWriter &writer, const Codes &codes, const std::uint32_t *symbols,
                         Count count) {
  for (Count i = 0; i < count; ++i) {
    const std::uint32_t symbol = symbols[i];
    if ((symbol & kMatch) == 0) {
      writer.put(codes.literalCodes[symbol], codes.literalLengths[symbol]);
      continue;
    }
    const Coded length = kCodeTables.lengths[(symbol >> 16) & 0x1ff];
    const Coded distance = kCodeTables.distance(symbol & 0xffff);
    writer.put(codes.literalCodes[length.code] | length.extra << codes.literalLengths[length.code],
               codes.literalLengths[length.code] + length.extraBits);
    writer.put(codes.distanceCodes[distance.code] |
                   distance.extra << codes.distanceLengths[distance.code],
               codes.distanceLengths[distance.code] + distance.extraBits);
  }
  writer.put(codes.literalCodes[256], codes.literalLengths[256]);
}

// What a thread needs for its pieces.
struct Workspace {
  std::uint16_t *previous;  // a column's samples of a piece's rows, and room for one more
  std::uint8_t *raw;        // a piece's filtered rows
  std::uint32_t *symbols;   // its symbols, one per byte at most
  std::int32_t *heads;      // last position of each 4-byte hash
};

// Greedy matching over one piece: at each position the last earlier one
// with the same hash, taken when its first 4 bytes agree.
inline Count findSymbols(const std::uint8_t *raw, Count size, const Workspace &work,
                         std::uint32_t *literalFrequency, std::uint32_t *distanceFrequency) {
  std::int32_t *heads = work.heads;
  for (Count h = 0; h < (Count{1} << kHashBits); ++h) heads[h] = -1;
  Count count = 0, at = 0;
  while (at < size) {
    if (size - at >= kMinMatch) {
      std::uint32_t word;
      std::memcpy(&word, raw + at, 4);
      const std::uint32_t hash = (word * 2654435761u) >> (32 - kHashBits);
      const std::int32_t earlier = heads[hash];
      heads[hash] = static_cast<std::int32_t>(at);
      if (earlier >= 0 && at - static_cast<Count>(earlier) <= kWindow) {
        std::uint32_t earlierWord;
        std::memcpy(&earlierWord, raw + earlier, 4);
        if (earlierWord == word) {
          const Count most = size - at < kMaxMatch ? size - at : kMaxMatch;
          Count length = kMinMatch;
          while (length + 8 <= most) {
            std::uint64_t ahead, behind;
            std::memcpy(&ahead, raw + at + length, 8);
            std::memcpy(&behind, raw + earlier + length, 8);
            if (ahead != behind) break;
            length += 8;
          }
          while (length < most && raw[earlier + length] == raw[at + length]) ++length;
          const unsigned distance = static_cast<unsigned>(at - static_cast<Count>(earlier));
          work.symbols[count++] =
              kMatch | static_cast<std::uint32_t>(length) << 16 | (distance & 0xffff);
          ++literalFrequency[kCodeTables.lengths[length].code];
          ++distanceFrequency[kCodeTables.distance(distance).code];
          at += length;
          continue;
        }
      }
    }
    work.symbols[count++] = raw[at];
    ++literalFrequency[raw[at]];
    ++at;
  }
  return count;
}

// One piece compressed into `out` as one block (dynamic, fixed or stored,
// whichever is shortest), then ended on a byte: by an empty stored block,
// or, for the last piece, by an empty final block. Returns its bytes.
inline Count compressPiece(const std::uint8_t *raw, Count size, bool last, const Workspace &work,
                           std::uint8_t *out) {
  std::uint32_t literalFrequency[kLiteralCodes] = {};
  std::uint32_t distanceFrequency[kDistanceCodes] = {};
  const Count count = findSymbols(raw, size, work, literalFrequency, distanceFrequency);
  literalFrequency[256] = 1;
  // Two distance codes at least, so that every decoder takes the code as
  // complete (a lone code of one bit is legal but not read by all).
  useTwoSymbols(distanceFrequency, kDistanceCodes);

  Codes dynamic;
  codeLengths(literalFrequency, kLiteralCodes, 15, dynamic.literalLengths);
  codeLengths(distanceFrequency, kDistanceCodes, 15, dynamic.distanceLengths);
  canonicalCodes(dynamic.literalLengths, kLiteralCodes, dynamic.literalCodes);
  canonicalCodes(dynamic.distanceLengths, kDistanceCodes, dynamic.distanceCodes);
  DynamicHeader header;
  const std::uint64_t dynamicBits =
      dynamicHeader(dynamic, header) + symbolBits(dynamic, literalFrequency, distanceFrequency);
  Codes fixed;
  fixedCodes(fixed);
  const std::uint64_t fixedBits = symbolBits(fixed, literalFrequency, distanceFrequency);
  const std::uint64_t storedBits = 8 * (std::uint64_t{size} + 5 * (size / 65535 + 1));

  BitWriter writer = {out, 0, 0, 0};
  if (storedBits <= dynamicBits && storedBits <= fixedBits) {
    Count done = 0;
    do {
      const Count take = size - done < 65535 ? size - done : 65535;
      writer.storedHeader(take);
      std::memcpy(out + writer.size, raw + done, take);
      writer.size += take;
      done += take;
    } while (done < size);
  } else if (fixedBits <= dynamicBits) {
    writer.put(1 << 1, 3);
    writeSymbols(writer, fixed, work.symbols, count);
  } else {
    writer.put(2 << 1, 3);
    writer.put(header.literalCount - 257, 5);
    writer.put(header.distanceCount - 1, 5);
    writer.put(header.lengthCodeCount - 4, 4);
    for (unsigned k = 0; k < header.lengthCodeCount; ++k)
      writer.put(header.runLengths[kLengthCodeOrder[k]], 3);
    for (unsigned r = 0; r < header.runCount; ++r) {
      const unsigned symbol = header.runs[r] & 0xff, extra = header.runs[r] >> 8;
      writer.put(header.runCodes[symbol], header.runLengths[symbol]);
      if (symbol >= 16) writer.put(extra, symbol == 16 ? 2 : symbol == 17 ? 3 : 7);
    }
    writeSymbols(writer, dynamic, work.symbols, count);
  }
  if (last) {
    writer.put(1 | 1 << 1, 3);  // final, fixed codes
    writer.put(0, 7);           // end of block
    writer.toByte();
  } else {
    writer.storedHeader(0);  // an empty stored block: the piece ends on a byte
  }
  return writer.size;
}

}  // namespace png

// An encoding under way: its pieces compressed, each in its own part of one
// block of memory, with their sizes and the Adler-32 of the whole. Plain
// memory only, so a host error raised while one is held leaves nothing but
// that block.
struct PngEncoding {
  png::Layout layout;
  std::uint8_t *memory;  // pieces' bytes; then their sizes and checksums
  Count *pieceBytes;
  std::uint32_t *pieceAdler;
  Count size;            // bytes of the whole file
  std::uint32_t height, width, channels, depth;
};

inline void releasePngEncoding(PngEncoding &encoding) {
  std::free(encoding.memory);
  encoding.memory = nullptr;
}

// The first half of an encoding: every piece compressed, over threads (at
// most `threadLimit`, 0 for the process's policy). Returns false, holding
// nothing, when the picture is larger than this machine's memory can encode
// (its side beyond kLargestPngSide, or scratch refused); the caller then
// raises its error. `source` has 1 or 3 channels and its sides are at least 1.
inline bool startPngEncoding(const PngSource &source, unsigned threadLimit,
                             PngEncoding &encoding) {
  encoding.memory = nullptr;
  png::Layout layout;
  if (source.height > kLargestPngSide || source.width > kLargestPngSide ||
      !png::pngLayout(source, layout))
    return false;
  const unsigned threads = threadsFor(layout.pieces * layout.rowsPerPiece * layout.rowBytes,
                                      kPngSplit.threshold, threadLimit);
  const Count workers = threads < layout.pieces ? threads : layout.pieces;
  const Count rawBytes = layout.rowsPerPiece * layout.rowBytes;
  const Count rawSpace = (rawBytes + 15) & ~Count{15};
  // A column's samples of a piece's rows per channel, and its doubles as words.
  const Count previousSpace = (8 * layout.rowsPerPiece + 15) & ~Count{15};
  const Count perWorker = previousSpace + 5 * rawSpace + 4 * (Count{1} << png::kHashBits);
  const Count piecesBytes = layout.pieces * layout.pieceCapacity;
  const Count bookkeeping = layout.pieces * (sizeof(Count) + sizeof(std::uint32_t)) + 32;
  if (workers > (~Count{0} - piecesBytes - bookkeeping) / perWorker) return false;
  auto *memory =
      static_cast<std::uint8_t *>(std::malloc(piecesBytes + bookkeeping + workers * perWorker));
  if (memory == nullptr) return false;
  encoding.layout = layout;
  encoding.memory = memory;
  // Sizes (8-byte aligned) first after the pieces, then checksums.
  const Count sizesAt = (piecesBytes + 7) & ~Count{7};
  encoding.pieceBytes = reinterpret_cast<Count *>(memory + sizesAt);
  encoding.pieceAdler = reinterpret_cast<std::uint32_t *>(encoding.pieceBytes + layout.pieces);
  std::uint8_t *workspaces = reinterpret_cast<std::uint8_t *>(encoding.pieceAdler + layout.pieces);
  workspaces += (16 - reinterpret_cast<std::uintptr_t>(workspaces) % 16) % 16;
  const unsigned depth = source.type == SampleType::bytes ? 8 : 16;

  runParallel(static_cast<unsigned>(workers), layout.pieces, [&](std::size_t piece,
                                                                 unsigned thread) {
    std::uint8_t *own = workspaces + thread * perWorker;
    const png::Workspace work = {
        reinterpret_cast<std::uint16_t *>(own), own + previousSpace,
        reinterpret_cast<std::uint32_t *>(own + previousSpace + rawSpace),
        reinterpret_cast<std::int32_t *>(own + previousSpace + 5 * rawSpace)};
    const Count firstRow = piece * layout.rowsPerPiece;
    const Count rows = source.height - firstRow < layout.rowsPerPiece ? source.height - firstRow
                                                                      : layout.rowsPerPiece;
    const Count size = rows * layout.rowBytes;
    png::filteredRows(source, firstRow, rows, layout.rowBytes, work.previous, work.raw);
    encoding.pieceAdler[piece] = png::adler32(1, work.raw, size);
    encoding.pieceBytes[piece] =
        png::compressPiece(work.raw, size, piece + 1 == layout.pieces, work,
                           memory + piece * layout.pieceCapacity);
  });

  // Signature, IHDR (25), per piece an IDAT chunk (12 + its bytes; the
  // first also the zlib header's 2, the last the Adler-32's 4), IEND (12).
  Count size = 8 + 25 + 12 + 2 + 4;
  for (Count piece = 0; piece < layout.pieces; ++piece) size += 12 + encoding.pieceBytes[piece];
  encoding.size = size;
  encoding.height = static_cast<std::uint32_t>(source.height);
  encoding.width = static_cast<std::uint32_t>(source.width);
  encoding.channels = static_cast<std::uint32_t>(source.channels);
  encoding.depth = depth;
  return true;
}

// The second half: the file's `encoding.size` bytes written to `out`, and
// the encoding's memory released.
inline void finishPngEncoding(PngEncoding &encoding, std::uint8_t *out) {
  const png::Layout &layout = encoding.layout;
  png::CrcTable crcTable;
  png::makeCrcTable(crcTable);
  const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  std::memcpy(out, signature, 8);
  std::uint8_t *at = out + 8;
  auto chunk = [&](const char *type, Count length) {
    png::put32(at, static_cast<std::uint32_t>(length));
    std::memcpy(at + 4, type, 4);
    return at + 8;
  };
  auto close = [&](Count length) {
    png::put32(at + 8 + length, png::crc32(crcTable, at + 4, length + 4));
    at += 12 + length;
  };
  std::uint8_t *data = chunk("IHDR", 13);
  png::put32(data, encoding.width);
  png::put32(data + 4, encoding.height);
  data[8] = static_cast<std::uint8_t>(encoding.depth);
  data[9] = encoding.channels == 3 ? 2 : 0;  // RGB or grey
  data[10] = data[11] = data[12] = 0;        // deflate, adaptive filters, no interlace
  close(13);
  std::uint32_t adler = 1;
  for (Count piece = 0; piece < layout.pieces; ++piece) {
    const Count rows = encoding.height - piece * layout.rowsPerPiece < layout.rowsPerPiece
                           ? encoding.height - piece * layout.rowsPerPiece
                           : layout.rowsPerPiece;
    adler = png::adler32Joined(adler, encoding.pieceAdler[piece], rows * layout.rowBytes);
  }
  for (Count piece = 0; piece < layout.pieces; ++piece) {
    const bool first = piece == 0, last = piece + 1 == layout.pieces;
    const Count bytes = encoding.pieceBytes[piece];
    const Count length = bytes + (first ? 2 : 0) + (last ? 4 : 0);
    data = chunk("IDAT", length);
    if (first) {
      data[0] = 0x78;  // deflate, 32 KiB window
      data[1] = 0x01;  // no dictionary; (0x78 << 8 | 0x01) is a multiple of 31
      data += 2;
    }
    std::memcpy(data, encoding.memory + piece * layout.pieceCapacity, bytes);
    if (last) png::put32(data + bytes, adler);
    close(length);
  }
  chunk("IEND", 0);
  close(0);
  releasePngEncoding(encoding);
}

}  // namespace korvel

#endif  // KORVEL_SCENE_PNG_ENCODE_H
