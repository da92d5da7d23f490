// Baseline JPEG (JFIF, 4:2:0, standard Huffman tables) for the recorder's MJPG frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class JpegEncoder {  // one per thread; Encode may run concurrently on distinct objects
public:
    JpegEncoder();

    // Top-down pixels, 3 (BGR) or 4 (BGRA, alpha ignored) bytes per pixel; quality 1..100.
    // Replaces the contents of out with one complete JFIF image.
    bool Encode(const uint8_t* pixels, int width, int height, int stride, int bytesPerPixel,
                int quality, std::vector<uint8_t>& out);

    // The quantisation table (natural order) a quality gives, as written to the file.
    static void QuantTable(int quality, bool chroma, uint16_t table[64]);

private:
    bool EncodeFrame(const uint8_t* pixels, int width, int height, int stride, int bytesPerPixel,
                     int quality, std::vector<uint8_t>& out);
    void SetQuality(int quality);

    int m_quality = 0;
    // Reciprocals of the quantisation steps, folded with the DCT's output scaling.
    float m_recip[2][64] = {};
    uint16_t m_qtable[2][64] = {};  // natural order
    // One row of macroblocks converted to planes (Y, Cb, Cr), padded to whole blocks.
    std::vector<uint8_t> m_planes;
};
