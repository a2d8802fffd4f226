// make_info_dat INPUT.ini OUTPUT.dat
//
// Packs the branding text into the archive the program reads at start-up: one deflated member
// "info.ini" under the traditional ZIP encryption with the branding password.

#include "app/BrandingPassword.h"
#include "archive/ZipWriter.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_info_dat INPUT.ini OUTPUT.dat\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "make_info_dat: cannot read %s\n", argv[1]);
        return 1;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    ZipWriter writer;
    ZipWriter::MemberOptions options;
    options.method = ZipMethod::Deflated;
    options.password = BrandingPassword();
    if (!writer.AddMember("info.ini", text, options)) {
        std::fprintf(stderr, "make_info_dat: cannot pack %s\n", argv[1]);
        return 1;
    }
    std::vector<std::uint8_t> image = writer.Finish();

    // Write beside the target and rename, so a failed build never leaves half an archive.
    std::string output = argv[2];
    std::string temporary = output + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(image.data()),
            static_cast<std::streamsize>(image.size()));
        if (!out.flush()) {
            std::fprintf(stderr, "make_info_dat: cannot write %s\n", temporary.c_str());
            std::remove(temporary.c_str());
            return 1;
        }
    }
    if (std::rename(temporary.c_str(), output.c_str()) != 0) {
        std::fprintf(stderr, "make_info_dat: cannot write %s\n", output.c_str());
        std::remove(temporary.c_str());
        return 1;
    }
    return 0;
}
