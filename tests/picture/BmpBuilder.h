#pragma once

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <functional>

// Builds BMP files byte by byte, so that tests can make every layout the
// reader must handle, including ones no ordinary writer produces.
struct BmpBuilder
{
    int headerSize = 40;        // 12 for the core header
    int32_t width = 4;
    int32_t height = 2;         // negative: rows top-down
    uint16_t planes = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    int32_t sizeImage = -1;     // -1: computed
    uint32_t colorsUsed = 0;
    QList<uint32_t> palette{};  // 0x00RRGGBB entries
    QList<uint32_t> masks{};    // written after a 40-byte header or inside a larger one
    int gapBeforePixels = 0;    // bytes between table and pixel data (offset field points past them)
    QByteArray pixels{};        // raw pixel data as stored in the file
    QByteArray signature = "BM";

    int Stride() const { return ((width * bitCount * planes + 31) / 32) * 4; }

    // Fills `pixels` row by row (rows in file order) with bytes from a function of (x, fileRow, byteInRow).
    void FillRows(const std::function<uint8_t(int fileRow, int byteInRow)>& byteAt)
    {
        const int rows = height < 0 ? -height : height;
        pixels.clear();
        for (int r = 0; r < rows; ++r)
            for (int b = 0; b < Stride(); ++b)
                pixels.append(char(byteAt(r, b)));
    }

    QByteArray Build() const
    {
        QByteArray header;
        auto put16 = [](QByteArray& out, uint16_t v) { out.append(char(v & 0xFF)); out.append(char(v >> 8)); };
        auto put32 = [](QByteArray& out, uint32_t v) { for (int i = 0; i < 4; ++i) out.append(char((v >> (8 * i)) & 0xFF)); };
        QByteArray table;
        for (uint32_t c : palette) {
            table.append(char(c & 0xFF));
            table.append(char((c >> 8) & 0xFF));
            table.append(char((c >> 16) & 0xFF));
            if (headerSize != 12)
                table.append(char(0));
        }
        if (headerSize == 12) {
            put32(header, 12);
            put16(header, uint16_t(width));
            put16(header, uint16_t(height));
            put16(header, planes);
            put16(header, bitCount);
        } else {
            put32(header, uint32_t(headerSize));
            put32(header, uint32_t(width));
            put32(header, uint32_t(height));
            put16(header, planes);
            put16(header, bitCount);
            put32(header, compression);
            put32(header, uint32_t(sizeImage >= 0 ? sizeImage : pixels.size()));
            put32(header, 2835);
            put32(header, 2835);
            put32(header, colorsUsed);
            put32(header, 0);
            QByteArray maskBytes;
            for (uint32_t m : masks)
                put32(maskBytes, m);
            if (headerSize > 40) {
                maskBytes.resize(headerSize - 40, '\0');
                header += maskBytes;
            } else {
                table = maskBytes + table;
            }
        }
        const int offset = 14 + header.size() + table.size() + gapBeforePixels;
        QByteArray file = signature.left(2);
        put32(file, uint32_t(offset + pixels.size()));
        put32(file, 0);
        put32(file, uint32_t(offset));
        file += header;
        file += table;
        file += QByteArray(gapBeforePixels, char(0x77));
        file += pixels;
        return file;
    }
};
