// make_info_dat INPUT.ini OUTPUT.dat
//
// Packs the branding text into the archive the program reads at start-up: one deflated member
// "info.ini" under the traditional ZIP encryption with the branding password.

#include "app/BrandingPassword.h"
#include "archive/ZipWriter.h"
#include "platform/FileIo.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_info_dat INPUT.ini OUTPUT.dat\n");
        return 2;
    }
    std::string text;
    if (!ReadWholeFile(argv[1], &text)) {
        std::fprintf(stderr, "make_info_dat: cannot read %s\n", argv[1]);
        return 1;
    }

    ZipWriter writer;
    ZipWriter::MemberOptions options;
    options.method = ZipMethod::Deflated;
    options.password = BrandingPassword();
    if (!writer.AddMember("info.ini", text, options)) {
        std::fprintf(stderr, "make_info_dat: cannot pack %s\n", argv[1]);
        return 1;
    }
    std::vector<std::uint8_t> image = writer.Finish();

    // Written beside the target and renamed, so a failed build never leaves half an archive.
    if (!WriteFileAtomically(argv[2], std::string(image.begin(), image.end()))) {
        std::fprintf(stderr, "make_info_dat: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
