#include "JpegEncoder.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>

namespace {

// Zigzag position -> natural (row-major) index.
constexpr uint8_t kZigzag[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// The example tables of the JPEG standard (Annex K), natural order.
constexpr uint8_t kBaseQuant[2][64] = {
    {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
     14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
     18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
     49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99},
    {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
     24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
     99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
     99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99}};

constexpr uint8_t kDcLumaBits[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
constexpr uint8_t kDcChromaBits[16] = {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
constexpr uint8_t kDcValues[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr uint8_t kAcLumaBits[16] = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d};
constexpr uint8_t kAcLumaValues[162] = {
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61,
    0x07, 0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52,
    0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25,
    0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45,
    0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64,
    0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83,
    0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99,
    0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6,
    0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3,
    0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8,
    0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};
constexpr uint8_t kAcChromaBits[16] = {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77};
constexpr uint8_t kAcChromaValues[162] = {
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61,
    0x71, 0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33,
    0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1, 0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18,
    0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44,
    0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63,
    0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a,
    0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97,
    0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4,
    0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca,
    0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7,
    0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};

// A Huffman table as code and length per symbol, ready for the bit writer.
struct HuffCodes {
    uint16_t code[256] = {};
    uint8_t size[256] = {};
};

HuffCodes BuildCodes(const uint8_t bits[16], const uint8_t* values) {
    HuffCodes h;
    uint32_t code = 0;
    int k = 0;
    for (int len = 1; len <= 16; ++len) {
        for (int i = 0; i < bits[len - 1]; ++i, ++k) {
            h.code[values[k]] = static_cast<uint16_t>(code++);
            h.size[values[k]] = static_cast<uint8_t>(len);
        }
        code <<= 1;
    }
    return h;
}

struct Tables {
    HuffCodes dc[2];
    HuffCodes ac[2];
    // Fixed-point colour conversion (16 fraction bits); the rounding is folded into yB.
    int32_t yR[256], yG[256], yB[256];
    Tables() {
        dc[0] = BuildCodes(kDcLumaBits, kDcValues);
        dc[1] = BuildCodes(kDcChromaBits, kDcValues);
        ac[0] = BuildCodes(kAcLumaBits, kAcLumaValues);
        ac[1] = BuildCodes(kAcChromaBits, kAcChromaValues);
        for (int i = 0; i < 256; ++i) {
            yR[i] = static_cast<int32_t>(std::lround(0.299 * 65536 * i));
            yG[i] = static_cast<int32_t>(std::lround(0.587 * 65536 * i));
            yB[i] = static_cast<int32_t>(std::lround(0.114 * 65536 * i)) + 32768;
        }
    }
};

const Tables& GetTables() {
    static const Tables t;
    return t;
}

// Chroma from the sums of a 2x2 group of pixels (so a quarter of the coefficient, 16 fraction bits).
constexpr int32_t kCbR = -2765;   // -0.168736 / 4
constexpr int32_t kCbG = -5427;   // -0.331264 / 4
constexpr int32_t kCrG = -6860;   // -0.418688 / 4
constexpr int32_t kCrB = -1332;   // -0.081312 / 4
constexpr int32_t kHalf = 8192;   // 0.5 / 4
constexpr int32_t kChromaOffset = (128 << 16) + 32767;  // 128 plus rounding that never reaches 256

template <int Bpp>
inline void ConvertPair(const Tables& t, const uint8_t* a, const uint8_t* b, uint8_t* y0, uint8_t* y1,
                        uint8_t* cb, uint8_t* cr) {
    y0[0] = static_cast<uint8_t>((t.yR[a[2]] + t.yG[a[1]] + t.yB[a[0]]) >> 16);
    y0[1] = static_cast<uint8_t>((t.yR[a[Bpp + 2]] + t.yG[a[Bpp + 1]] + t.yB[a[Bpp]]) >> 16);
    y1[0] = static_cast<uint8_t>((t.yR[b[2]] + t.yG[b[1]] + t.yB[b[0]]) >> 16);
    y1[1] = static_cast<uint8_t>((t.yR[b[Bpp + 2]] + t.yG[b[Bpp + 1]] + t.yB[b[Bpp]]) >> 16);
    const int32_t sb = a[0] + a[Bpp] + b[0] + b[Bpp];
    const int32_t sg = a[1] + a[Bpp + 1] + b[1] + b[Bpp + 1];
    const int32_t sr = a[2] + a[Bpp + 2] + b[2] + b[Bpp + 2];
    *cb = static_cast<uint8_t>((kCbR * sr + kCbG * sg + kHalf * sb + kChromaOffset) >> 16);
    *cr = static_cast<uint8_t>((kHalf * sr + kCrG * sg + kCrB * sb + kChromaOffset) >> 16);
}

template <int Bpp>
void ConvertRows(const Tables& t, const uint8_t* s0, const uint8_t* s1, int width,
                 uint8_t* y0, uint8_t* y1, uint8_t* cb, uint8_t* cr) {
    const int pairs = width / 2;
    int x = 0;
    // Eight pixels at a time; a run of one colour in each line (most of a screen) is
    // converted once.
    for (; x + 4 <= pairs; x += 4) {
        const uint8_t* a = s0 + 2 * x * Bpp;
        const uint8_t* b = s1 + 2 * x * Bpp;
        if (std::memcmp(a, a + Bpp, 7 * Bpp) == 0 && std::memcmp(b, b + Bpp, 7 * Bpp) == 0) {
            uint8_t ya[2], yb[2], c[2];
            ConvertPair<Bpp>(t, a, b, ya, yb, c, c + 1);
            std::memset(y0 + 2 * x, ya[0], 8);
            std::memset(y1 + 2 * x, yb[0], 8);
            std::memset(cb + x, c[0], 4);
            std::memset(cr + x, c[1], 4);
        } else {
            for (int i = 0; i < 4; ++i) {
                ConvertPair<Bpp>(t, a + 2 * i * Bpp, b + 2 * i * Bpp, y0 + 2 * (x + i), y1 + 2 * (x + i),
                                 cb + x + i, cr + x + i);
            }
        }
    }
    for (; x < pairs; ++x) {
        ConvertPair<Bpp>(t, s0 + 2 * x * Bpp, s1 + 2 * x * Bpp, y0 + 2 * x, y1 + 2 * x, cb + x, cr + x);
    }
    if (width & 1) {  // the last column pairs with itself
        const uint8_t* a = s0 + (width - 1) * Bpp;
        const uint8_t* b = s1 + (width - 1) * Bpp;
        y0[width - 1] = static_cast<uint8_t>((t.yR[a[2]] + t.yG[a[1]] + t.yB[a[0]]) >> 16);
        y1[width - 1] = static_cast<uint8_t>((t.yR[b[2]] + t.yG[b[1]] + t.yB[b[0]]) >> 16);
        const int32_t sb = 2 * (a[0] + b[0]);
        const int32_t sg = 2 * (a[1] + b[1]);
        const int32_t sr = 2 * (a[2] + b[2]);
        cb[pairs] = static_cast<uint8_t>((kCbR * sr + kCbG * sg + kHalf * sb + kChromaOffset) >> 16);
        cr[pairs] = static_cast<uint8_t>((kHalf * sr + kCrG * sg + kCrB * sb + kChromaOffset) >> 16);
    }
}

// Fixed-point constants of the AAN factorisation, 13 fraction bits.
constexpr int kDctBits = 13;
constexpr int32_t kC0_707 = 5793;   // 0.707106781
constexpr int32_t kC0_382 = 3135;   // 0.382683433
constexpr int32_t kC0_541 = 4433;   // 0.541196100
constexpr int32_t kC1_306 = 10703;  // 1.306562965

inline int32_t Mul(int32_t v, int32_t c) { return (v * c) >> kDctBits; }

// Forward DCT of one 8x8 block of samples (AAN). The outputs are 8 times the true
// coefficients times the AAN row/column scale factors, which the quantiser divides out.
void ForwardDct(const uint8_t* src, int stride, int32_t* d) {
    for (int r = 0; r < 8; ++r, src += stride) {
        int32_t* o = d + r * 8;
        const int32_t s0 = src[0] - 128, s1 = src[1] - 128, s2 = src[2] - 128, s3 = src[3] - 128;
        const int32_t s4 = src[4] - 128, s5 = src[5] - 128, s6 = src[6] - 128, s7 = src[7] - 128;
        const int32_t t0 = s0 + s7, t7 = s0 - s7, t1 = s1 + s6, t6 = s1 - s6;
        const int32_t t2 = s2 + s5, t5 = s2 - s5, t3 = s3 + s4, t4 = s3 - s4;
        const int32_t e10 = t0 + t3, e13 = t0 - t3, e11 = t1 + t2, e12 = t1 - t2;
        o[0] = e10 + e11;
        o[4] = e10 - e11;
        const int32_t z1 = Mul(e12 + e13, kC0_707);
        o[2] = e13 + z1;
        o[6] = e13 - z1;
        const int32_t o10 = t4 + t5, o11 = t5 + t6, o12 = t6 + t7;
        const int32_t z5 = Mul(o10 - o12, kC0_382);
        const int32_t z2 = Mul(o10, kC0_541) + z5;
        const int32_t z4 = Mul(o12, kC1_306) + z5;
        const int32_t z3 = Mul(o11, kC0_707);
        const int32_t z11 = t7 + z3, z13 = t7 - z3;
        o[5] = z13 + z2;
        o[3] = z13 - z2;
        o[1] = z11 + z4;
        o[7] = z11 - z4;
    }
    for (int c = 0; c < 8; ++c) {
        int32_t* o = d + c;
        const int32_t t0 = o[0] + o[56], t7 = o[0] - o[56], t1 = o[8] + o[48], t6 = o[8] - o[48];
        const int32_t t2 = o[16] + o[40], t5 = o[16] - o[40], t3 = o[24] + o[32], t4 = o[24] - o[32];
        const int32_t e10 = t0 + t3, e13 = t0 - t3, e11 = t1 + t2, e12 = t1 - t2;
        o[0] = e10 + e11;
        o[32] = e10 - e11;
        const int32_t z1 = Mul(e12 + e13, kC0_707);
        o[16] = e13 + z1;
        o[48] = e13 - z1;
        const int32_t o10 = t4 + t5, o11 = t5 + t6, o12 = t6 + t7;
        const int32_t z5 = Mul(o10 - o12, kC0_382);
        const int32_t z2 = Mul(o10, kC0_541) + z5;
        const int32_t z4 = Mul(o12, kC1_306) + z5;
        const int32_t z3 = Mul(o11, kC0_707);
        const int32_t z11 = t7 + z3, z13 = t7 - z3;
        o[40] = z13 + z2;
        o[24] = z13 - z2;
        o[8] = z11 + z4;
        o[56] = z11 - z4;
    }
}

// Writes entropy-coded bits, stuffing a zero after every 0xFF byte.
class BitWriter {
public:
    explicit BitWriter(uint8_t* p) : m_p(p) {}
    uint8_t* Pos() const { return m_p; }
    void Rebase(uint8_t* p) { m_p = p; }

    // n <= 32 bits; the accumulator holds fewer than 32 pending bits between calls.
    void Put(uint32_t bits, int n) {
        m_acc = (m_acc << n) | bits;
        m_count += n;
        if (m_count >= 32) {
            m_count -= 32;
            Emit32(static_cast<uint32_t>(m_acc >> m_count));
        }
    }
    // Pads the last byte with ones, as the standard asks.
    void Flush() {
        while (m_count >= 8) {
            m_count -= 8;
            EmitByte(static_cast<uint8_t>(m_acc >> m_count));
        }
        if (m_count > 0) {
            const int pad = 8 - m_count;
            EmitByte(static_cast<uint8_t>(((m_acc << pad) | ((1u << pad) - 1)) & 0xFF));
            m_count = 0;
        }
        m_acc = 0;
    }

private:
    void EmitByte(uint8_t b) {
        *m_p++ = b;
        if (b == 0xFF) *m_p++ = 0;
    }
    void Emit32(uint32_t w) {
        // Only when one of the four bytes is 0xFF does it need stuffing.
        const uint32_t inv = ~w;
        if (((inv - 0x01010101u) & ~inv & 0x80808080u) == 0) {
            m_p[0] = static_cast<uint8_t>(w >> 24);
            m_p[1] = static_cast<uint8_t>(w >> 16);
            m_p[2] = static_cast<uint8_t>(w >> 8);
            m_p[3] = static_cast<uint8_t>(w);
            m_p += 4;
        } else {
            EmitByte(static_cast<uint8_t>(w >> 24));
            EmitByte(static_cast<uint8_t>(w >> 16));
            EmitByte(static_cast<uint8_t>(w >> 8));
            EmitByte(static_cast<uint8_t>(w));
        }
    }

    uint8_t* m_p;
    uint64_t m_acc = 0;
    int m_count = 0;
};

// For each row of a block and each pattern of its nonzero columns: those coefficients'
// bits in zigzag order.
struct ZigzagMasks {
    uint64_t row[8][256];
    ZigzagMasks() {
        uint8_t position[64];
        for (int k = 0; k < 64; ++k) position[kZigzag[k]] = static_cast<uint8_t>(k);
        for (int r = 0; r < 8; ++r) {
            for (int m = 0; m < 256; ++m) {
                uint64_t bits = 0;
                for (int c = 0; c < 8; ++c) {
                    if (m & (1 << c)) bits |= 1ull << position[r * 8 + c];
                }
                row[r][m] = bits;
            }
        }
    }
};

const ZigzagMasks& GetZigzagMasks() {
    static const ZigzagMasks z;
    return z;
}

// One bit per nonzero 16-bit lane of w, lane 0 in bit 0.
inline uint32_t NonzeroLanes(uint64_t w) {
    const uint64_t low = 0x7FFF7FFF7FFF7FFFull;
    const uint64_t t = (((w & low) + low) | w) & 0x8000800080008000ull;
    return static_cast<uint32_t>(((t >> 15) * 0x0000200040008001ull) >> 45) & 0xF;
}

inline int16_t Quantise(int32_t coef, float recip) {
    const float f = static_cast<float>(coef) * recip;
    int32_t v = static_cast<int32_t>(f + std::copysign(0.5f, f));
    v = v > 1023 ? 1023 : v;  // baseline's largest AC category
    v = v < -1023 ? -1023 : v;
    return static_cast<int16_t>(v);
}

inline void PutDc(BitWriter& bw, int diff, const HuffCodes& dc) {
    const uint32_t mag = static_cast<uint32_t>(diff < 0 ? -diff : diff);
    const int n = std::bit_width(mag);
    const uint32_t bits = static_cast<uint32_t>(diff < 0 ? diff - 1 : diff) & ((1u << n) - 1);
    bw.Put((static_cast<uint32_t>(dc.code[n]) << n) | bits, dc.size[n] + n);
}

// Quantises, zigzags and entropy-codes one block; returns the new DC predictor.
inline int EncodeBlock(BitWriter& bw, const int32_t* coef, const float* recip, int prevDc,
                       const HuffCodes& dc, const HuffCodes& ac, const ZigzagMasks& zz) {
    // Natural order, in a form the compiler vectorises.
    alignas(16) int16_t q[64];
    for (int i = 0; i < 64; ++i) q[i] = Quantise(coef[i], recip[i]);
    uint64_t nonzero = 0;
    for (int r = 0; r < 8; ++r) {
        uint64_t w0, w1;
        std::memcpy(&w0, q + r * 8, 8);
        std::memcpy(&w1, q + r * 8 + 4, 8);
        nonzero |= zz.row[r][NonzeroLanes(w0) | (NonzeroLanes(w1) << 4)];
    }

    const int dcValue = q[0];
    PutDc(bw, dcValue - prevDc, dc);

    nonzero &= ~1ull;
    int last = 0;
    while (nonzero) {
        const int k = std::countr_zero(nonzero);
        nonzero &= nonzero - 1;
        int run = k - last - 1;
        while (run >= 16) {
            bw.Put(ac.code[0xF0], ac.size[0xF0]);
            run -= 16;
        }
        const int v = q[kZigzag[k]];
        const uint32_t mag = static_cast<uint32_t>(v < 0 ? -v : v);
        const int n = std::bit_width(mag);
        const uint32_t bits = static_cast<uint32_t>(v < 0 ? v - 1 : v) & ((1u << n) - 1);
        const int sym = (run << 4) | n;
        bw.Put((static_cast<uint32_t>(ac.code[sym]) << n) | bits, ac.size[sym] + n);
        last = k;
    }
    if (last != 63) bw.Put(ac.code[0], ac.size[0]);
    return dcValue;
}

// Screens are mostly flat areas: a block of one value has only a DC coefficient (the
// transform's output for it, exactly), so the transform is skipped.
inline int CodeBlock(BitWriter& bw, const uint8_t* src, int stride, const float* recip, int prevDc,
                     const HuffCodes& dc, const HuffCodes& ac, const ZigzagMasks& zz, int32_t* coef) {
    uint64_t row;
    std::memcpy(&row, src, 8);
    bool flat = row == src[0] * 0x0101010101010101ull;
    for (int r = 1; r < 8 && flat; ++r) {
        uint64_t other;
        std::memcpy(&other, src + r * stride, 8);
        flat = other == row;
    }
    if (flat) {
        const int dcValue = Quantise(64 * (src[0] - 128), recip[0]);
        PutDc(bw, dcValue - prevDc, dc);
        bw.Put(ac.code[0], ac.size[0]);
        return dcValue;
    }
    ForwardDct(src, stride, coef);
    return EncodeBlock(bw, coef, recip, prevDc, dc, ac, zz);
}

// Worst case of one coded block: every coefficient at its longest code, every byte stuffed.
constexpr size_t kMaxBlockBytes = 2 * (27 + 63 * 26 + 16) / 8 + 8;

}  // namespace

JpegEncoder::JpegEncoder() {
    GetTables();
    GetZigzagMasks();
}

void JpegEncoder::QuantTable(int quality, bool chroma, uint16_t table[64]) {
    quality = std::clamp(quality, 1, 100);
    const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    for (int i = 0; i < 64; ++i) {
        const int q = (kBaseQuant[chroma ? 1 : 0][i] * scale + 50) / 100;
        table[i] = static_cast<uint16_t>(std::clamp(q, 1, 255));
    }
}

void JpegEncoder::SetQuality(int quality) {
    if (quality == m_quality) return;
    m_quality = quality;
    static const double kAanScale[8] = {1.0, 1.387039845, 1.306562965, 1.175875602,
                                        1.0, 0.785694958, 0.541196100, 0.275899379};
    for (int t = 0; t < 2; ++t) {
        QuantTable(quality, t == 1, m_qtable[t]);
        for (int i = 0; i < 64; ++i) {
            const double divisor = m_qtable[t][i] * kAanScale[i >> 3] * kAanScale[i & 7] * 8.0;
            m_recip[t][i] = static_cast<float>(1.0 / divisor);
        }
    }
}

bool JpegEncoder::Encode(const uint8_t* pixels, int width, int height, int stride, int bytesPerPixel,
                         int quality, std::vector<uint8_t>& out) {
    // Runs on the stand-in's worker threads: out of memory is a failed frame, not an exception.
    try {
        return EncodeFrame(pixels, width, height, stride, bytesPerPixel, quality, out);
    } catch (const std::bad_alloc&) {
        out.clear();
        return false;
    }
}

bool JpegEncoder::EncodeFrame(const uint8_t* pixels, int width, int height, int stride, int bytesPerPixel,
                              int quality, std::vector<uint8_t>& out) {
    if (!pixels || width <= 0 || height <= 0 || width > 65535 || height > 65535 ||
        (bytesPerPixel != 3 && bytesPerPixel != 4) || stride < width * bytesPerPixel) {
        return false;
    }
    SetQuality(std::clamp(quality, 1, 100));
    const Tables& tables = GetTables();

    // Markers go to a fixed buffer first (about 620 bytes), then out.
    uint8_t head[1024];
    size_t hn = 0;
    auto put = [&](const uint8_t* p, size_t n) { std::memcpy(head + hn, p, n); hn += n; };
    auto put8 = [&](int v) { head[hn++] = static_cast<uint8_t>(v); };
    auto put16 = [&](int v) { put8(v >> 8); put8(v); };
    auto putHuff = [&](int cls, int id, const uint8_t bits[16], const uint8_t* values) {
        int n = 0;
        for (int i = 0; i < 16; ++i) n += bits[i];
        put8((cls << 4) | id);
        put(bits, 16);
        put(values, static_cast<size_t>(n));
    };
    // SOI, JFIF APP0.
    static const uint8_t kJfif[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00,
                                    0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00};
    put(kJfif, sizeof kJfif);
    // DQT: both tables, zigzag order.
    put16(0xFFDB);
    put16(2 + 2 * 65);
    for (int t = 0; t < 2; ++t) {
        put8(t);
        for (int k = 0; k < 64; ++k) put8(m_qtable[t][kZigzag[k]]);
    }
    // SOF0: 8-bit, Y at 2x2, Cb and Cr at 1x1.
    static const uint8_t kComponents[] = {3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1};
    put16(0xFFC0);
    put16(8 + 3 * 3);
    put8(8);
    put16(height);
    put16(width);
    put(kComponents, sizeof kComponents);
    // DHT: the standard tables.
    put16(0xFFC4);
    put16(2 + 4 * 17 + 12 + 12 + 162 + 162);
    putHuff(0, 0, kDcLumaBits, kDcValues);
    putHuff(1, 0, kAcLumaBits, kAcLumaValues);
    putHuff(0, 1, kDcChromaBits, kDcValues);
    putHuff(1, 1, kAcChromaBits, kAcChromaValues);
    // SOS.
    static const uint8_t kScan[] = {0xFF, 0xDA, 0x00, 0x0C, 3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0};
    put(kScan, sizeof kScan);

    const int mcuCols = (width + 15) / 16;
    const int mcuRows = (height + 15) / 16;
    const int yStride = mcuCols * 16;
    const int cStride = mcuCols * 8;
    m_planes.resize(static_cast<size_t>(yStride) * 16 + 2 * static_cast<size_t>(cStride) * 8);
    uint8_t* yPlane = m_planes.data();
    uint8_t* cbPlane = yPlane + yStride * 16;
    uint8_t* crPlane = cbPlane + cStride * 8;
    const int chromaWidth = (width + 1) / 2;

    size_t used = hn;
    const size_t rowBytes = static_cast<size_t>(mcuCols) * 6 * kMaxBlockBytes;
    out.resize(used + rowBytes + 16);
    std::memcpy(out.data(), head, hn);
    BitWriter bw(out.data() + used);
    int prevDc[3] = {0, 0, 0};
    alignas(16) int32_t coef[64];
    const ZigzagMasks& zz = GetZigzagMasks();

    for (int my = 0; my < mcuRows; ++my) {
        // Colour conversion of 16 lines; lines below the picture repeat its last line.
        for (int line = 0; line < 16; line += 2) {
            const int ya = std::min(my * 16 + line, height - 1);
            const int yb = std::min(my * 16 + line + 1, height - 1);
            const uint8_t* s0 = pixels + static_cast<ptrdiff_t>(ya) * stride;
            const uint8_t* s1 = pixels + static_cast<ptrdiff_t>(yb) * stride;
            uint8_t* y0 = yPlane + line * yStride;
            uint8_t* y1 = y0 + yStride;
            uint8_t* cb = cbPlane + (line / 2) * cStride;
            uint8_t* cr = crPlane + (line / 2) * cStride;
            if (bytesPerPixel == 4) {
                ConvertRows<4>(tables, s0, s1, width, y0, y1, cb, cr);
            } else {
                ConvertRows<3>(tables, s0, s1, width, y0, y1, cb, cr);
            }
            // Columns right of the picture repeat its last column.
            std::fill(y0 + width, y0 + yStride, y0[width - 1]);
            std::fill(y1 + width, y1 + yStride, y1[width - 1]);
            std::fill(cb + chromaWidth, cb + cStride, cb[chromaWidth - 1]);
            std::fill(cr + chromaWidth, cr + cStride, cr[chromaWidth - 1]);
        }

        // Room for the worst case of this row of macroblocks.
        used = static_cast<size_t>(bw.Pos() - out.data());
        if (out.size() < used + rowBytes + 16) {
            out.resize(used + rowBytes + 16);
            bw.Rebase(out.data() + used);
        }

        for (int mx = 0; mx < mcuCols; ++mx) {
            const uint8_t* yb = yPlane + mx * 16;
            const HuffCodes &dcY = tables.dc[0], &acY = tables.ac[0], &dcC = tables.dc[1], &acC = tables.ac[1];
            prevDc[0] = CodeBlock(bw, yb, yStride, m_recip[0], prevDc[0], dcY, acY, zz, coef);
            prevDc[0] = CodeBlock(bw, yb + 8, yStride, m_recip[0], prevDc[0], dcY, acY, zz, coef);
            prevDc[0] = CodeBlock(bw, yb + 8 * yStride, yStride, m_recip[0], prevDc[0], dcY, acY, zz, coef);
            prevDc[0] = CodeBlock(bw, yb + 8 * yStride + 8, yStride, m_recip[0], prevDc[0], dcY, acY, zz, coef);
            prevDc[1] = CodeBlock(bw, cbPlane + mx * 8, cStride, m_recip[1], prevDc[1], dcC, acC, zz, coef);
            prevDc[2] = CodeBlock(bw, crPlane + mx * 8, cStride, m_recip[1], prevDc[2], dcC, acC, zz, coef);
        }
    }
    bw.Flush();
    used = static_cast<size_t>(bw.Pos() - out.data());
    out.resize(used + 2);
    out[used] = 0xFF;
    out[used + 1] = 0xD9;
    return true;
}
