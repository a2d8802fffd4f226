// A stand-in tool for the runner and killer tests.
//   toolstub exit N        exits with status N at once, printing nothing
//   toolstub print N       prints N bytes ('a'..'z' repeated) in one write, exits 0
//   toolstub zero          prints "before", a zero byte, "after" in one write
//   toolstub late          sleeps 300 ms, prints "last words" and exits at once
//   toolstub sleep MS      sleeps MS milliseconds
//   toolstub args          prints each argument on a line of its own, in brackets
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const std::string mode = argv[1];
    if (mode == "exit" && argc > 2)
        return std::atoi(argv[2]);
    if (mode == "print" && argc > 2) {
        const long n = std::atol(argv[2]);
        std::string data;
        for (long i = 0; i < n; ++i)
            data += static_cast<char>('a' + i % 26);
        if (write(1, data.data(), data.size()) < 0)
            return 1;
        return 0;
    }
    if (mode == "zero") {
        const char data[] = "before\0after";
        return write(1, data, sizeof data - 1) < 0 ? 1 : 0;
    }
    if (mode == "late") {
        usleep(300 * 1000);
        const char data[] = "last words";
        return write(1, data, sizeof data - 1) < 0 ? 1 : 0;
    }
    if (mode == "sleep" && argc > 2) {
        usleep(static_cast<useconds_t>(std::atol(argv[2])) * 1000);
        return 0;
    }
    if (mode == "args") {
        for (int i = 2; i < argc; ++i)
            std::printf("[%s]\n", argv[i]);
        return 0;
    }
    return 2;
}
