#include "PngFile.h"

#include <cstdlib>
#include <png.h>

PngFile readPng(const std::string& path)
{
    PngFile result;
    png_image image {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return result;
    image.format = PNG_FORMAT_RGB;
    result.width = static_cast<int>(image.width);
    result.height = static_cast<int>(image.height);
    result.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, result.rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return result;
    }

    // The simplified API does not give text chunks; a second, plain read does.
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return result;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, f);
        png_read_info(png, info);
        png_textp texts = nullptr;
        int count = png_get_text(png, info, &texts, nullptr);
        for (int i = 0; i < count; ++i)
            result.texts[texts[i].key] = texts[i].text;
        result.ok = true;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return result;
}

double meanDifference(const PngFile& a, const PngFile& b)
{
    if (a.width != b.width || a.height != b.height || a.rgb.empty())
        return 255.0;
    double sum = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i)
        sum += std::abs(int(a.rgb[i]) - int(b.rgb[i]));
    return sum / static_cast<double>(a.rgb.size());
}
