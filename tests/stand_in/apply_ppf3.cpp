// The test stand-in for the outside patcher: records each call as one line of
// "ApplyPPF3.log" in the current directory, so tests can read the exact arguments.
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += ' ';
        line += argv[i];
    }
    line += "\r\n";  // binary mode below: the same bytes on every host
    std::FILE* log = std::fopen("ApplyPPF3.log", "ab");
    if (!log)
        return 1;
    const bool written = std::fwrite(line.data(), 1, line.size(), log) == line.size();
    return std::fclose(log) == 0 && written ? 0 : 1;
}
