#include "JpegFixtures.h"

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

QByteArray MakeJpeg(JpegKind kind, int width, int height)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    int components = 3;
    cinfo.in_color_space = JCS_RGB;
    if (kind == JpegKind::Cmyk) {
        components = 4;
        cinfo.in_color_space = JCS_CMYK;
    } else if (kind == JpegKind::Grayscale) {
        components = 1;
        cinfo.in_color_space = JCS_GRAYSCALE;
    }
    cinfo.input_components = components;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    if (kind == JpegKind::Progressive)
        jpeg_simple_progression(&cinfo);
    if (kind == JpegKind::Arithmetic)
        cinfo.arith_code = TRUE;
    jpeg_start_compress(&cinfo, TRUE);
    QByteArray row(width * components, '\0');
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = int(cinfo.next_scanline);
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c)
                row[x * components + c] = char(c == 0 ? (x * 255 / qMax(1, width - 1)) : (c == 1 ? (y * 255 / qMax(1, height - 1)) : 90));
        JSAMPROW pointer = reinterpret_cast<JSAMPROW>(row.data());
        jpeg_write_scanlines(&cinfo, &pointer, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray out(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return out;
}
